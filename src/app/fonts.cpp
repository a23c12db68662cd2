#include "app/fonts.h"

#include <QFont>
#include <QStringList>
#include <QVariant>
#include <QWidget>

namespace velmora {

void installSongFontSubstitutions() {
    const QStringList standIns = {QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"),
                                  QStringLiteral("AR PL UMing"), QStringLiteral("Noto Serif CJK SC"),
                                  QStringLiteral("Songti SC")};
    QFont::insertSubstitutions(QStringLiteral("SimSun"), standIns.mid(1));
    QFont::insertSubstitutions(QStringLiteral("宋体"), standIns);
}

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
