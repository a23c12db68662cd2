#include "fonts.h"

#include <QStringList>

namespace velmora {

void installSongFontSubstitutions() {
    // The first face found prints every character it holds; a character it lacks comes from the next
    // face in this order that holds it, then from the system's own fallbacks.
    const QStringList standIns = {QStringLiteral("SimSun"),      QStringLiteral("AR PL UMing CN"),
                                  QStringLiteral("AR PL UMing"), QStringLiteral("Noto Serif CJK SC"),
                                  QStringLiteral("Songti SC"),   QStringLiteral("SimSun-ExtB"),
                                  QStringLiteral("HanaMinA"),    QStringLiteral("HanaMinB")};
    QFont::insertSubstitutions(QStringLiteral("SimSun"), standIns.mid(1));
    QFont::insertSubstitutions(QStringLiteral("宋体"), standIns);
}

QFont SongFont() {
    QFont font(QStringLiteral("宋体"));
    font.setKerning(false);
#ifdef Q_OS_WIN
    // Design advances, as FreeType gives them on Linux (Qt takes DirectWrite for this): GDI rounds
    // each glyph's advance up to whole pixels, which moves a form's later characters.
    font.setHintingPreference(QFont::PreferNoHinting);
#endif
    font.setStyleStrategy(QFont::PreferDefault);
    return font;
}

}  // namespace velmora
