#pragma once

class QWidget;

namespace velmora {

// "打印机校准": the printer dialog, the question, the calibration figure, then CollateForm shown and
// filled with the stored distances. A figure that could not be printed is reported in a message box
// before the dialog opens.
void PrintCalibration(QWidget* parent);

}  // namespace velmora
