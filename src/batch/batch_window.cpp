#include "batch/batch_window.h"

#include <QTableWidget>

namespace velmora {

BatchWindow::BatchWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QString::fromUtf8(kWindowName));
    table_ = new QTableWidget(kGridRows - 1, kGridCols - 1, this);
    table_->setObjectName(QStringLiteral("Table1"));
    grid_ = std::make_unique<TableWidgetGrid>(table_);
}

BatchWindow::~BatchWindow() = default;

}  // namespace velmora
