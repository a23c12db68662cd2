#include "window_design.h"

#include <QFont>
#include <QVariant>
#include <QWidget>

namespace velmora {

void ApplyFractionalPointSizes(QWidget* root) {
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets) {
        const QVariant size = widget->property("pointSizeF");
        if (size.isValid()) {
            QFont font = widget->font();
            font.setPointSizeF(size.toDouble());
            widget->setFont(font);
        }
    }
}

}  // namespace velmora
