#pragma once

class QWidget;

namespace velmora {

// Every window asks for 宋体 (SimSun). Where the system has no SimSun a Song/Ming face stands in
// ("AR PL UMing CN" on Debian). Call before any window exists.
void installSongFontSubstitutions();

// Qt Designer keeps whole point sizes only: a control whose design size has a fraction (10.5 pt,
// 14.25 pt, 21.75 pt) carries it in the dynamic property "pointSizeF" of its .ui file. Gives every
// such control under `root` (and `root` itself) its exact size; call after setupUi.
void ApplyFractionalPointSizes(QWidget* root);

}  // namespace velmora
