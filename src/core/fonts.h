#pragma once

#include <QFont>

namespace velmora {

// Every window and every printed form asks for 宋体 (SimSun). Where the system has no SimSun a
// Song/Ming face stands in ("AR PL UMing CN" on Debian) for the common characters, and faces that hold
// the rarer ones follow it as fallbacks: SimSun-ExtB on Windows, HanaMinA and HanaMinB (CJK Extensions
// A to F) on Linux. Call before any window or document exists.
void installSongFontSubstitutions();

// The font every form is printed with, before its size and weight are set: 宋体, characters standing
// at their advances as on the form's boxes.
QFont SongFont();

}  // namespace velmora
