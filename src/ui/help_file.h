#pragma once

#include <QString>

class QWidget;

namespace velmora {

// The help text file: "help.txt" in the directory that holds the program, whatever the working
// directory is.
QString HelpFilePath();

// Opens the help file with the viewer the desktop associates with it, without waiting for it. A
// missing file gets the message "找不到帮助文件" (OK only, the application's title) over `parent`;
// any other failure of the desktop passes without a message.
void OpenHelpFile(QWidget* parent);

}  // namespace velmora
