#include "fonts.h"

#include <QFont>
#include <QStringList>

namespace velmora {

void installSongFontSubstitutions() {
    const QStringList standIns = {QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"),
                                  QStringLiteral("AR PL UMing"), QStringLiteral("Noto Serif CJK SC"),
                                  QStringLiteral("Songti SC")};
    QFont::insertSubstitutions(QStringLiteral("SimSun"), standIns.mid(1));
    QFont::insertSubstitutions(QStringLiteral("宋体"), standIns);
}

}  // namespace velmora
