#include "table_widget_grid.h"

#include <QAbstractButton>
#include <QTableWidget>
#include <QVariant>

namespace velmora {

int TableWidgetGrid::rows() const {
    return table_->rowCount() + 1;
}

int TableWidgetGrid::cols() const {
    return table_->columnCount() + 1;
}

namespace {

// The corner's text is kept as a property of the table and shown on its corner button.
constexpr const char* kCornerProperty = "velmoraCorner";

}  // namespace

QString TableWidgetGrid::text(int row, int col) const {
    if (row < 0 || row >= rows() || col < 0 || col >= cols()) {
        return {};
    }
    if (row == 0 && col == 0) {
        return table_->property(kCornerProperty).toString();
    }
    if (row == 0) {
        const QTableWidgetItem* item = table_->horizontalHeaderItem(col - 1);
        return item ? item->text() : QString();
    }
    if (col == 0) {
        const QTableWidgetItem* item = table_->verticalHeaderItem(row - 1);
        return item ? item->text() : QString();
    }
    const QTableWidgetItem* item = table_->item(row - 1, col - 1);
    return item ? item->text() : QString();
}

void TableWidgetGrid::setText(int row, int col, const QString& text) {
    if (row < 0 || row >= rows() || col < 0 || col >= cols()) {
        return;
    }
    if (row == 0 && col == 0) {
        table_->setProperty(kCornerProperty, text);
        if (auto* corner = table_->findChild<QAbstractButton*>()) {
            corner->setToolTip(text);
        }
        return;
    }
    if (row == 0) {
        QTableWidgetItem* item = table_->horizontalHeaderItem(col - 1);
        if (!item) {
            table_->setHorizontalHeaderItem(col - 1, new QTableWidgetItem(text));
        } else {
            item->setText(text);
        }
        return;
    }
    if (col == 0) {
        QTableWidgetItem* item = table_->verticalHeaderItem(row - 1);
        if (!item) {
            table_->setVerticalHeaderItem(row - 1, new QTableWidgetItem(text));
        } else {
            item->setText(text);
        }
        return;
    }
    QTableWidgetItem* item = table_->item(row - 1, col - 1);
    if (!item) {
        if (text.isEmpty()) {
            return;  // an absent item already reads as empty
        }
        table_->setItem(row - 1, col - 1, new QTableWidgetItem(text));
    } else {
        item->setText(text);
    }
}

}  // namespace velmora
