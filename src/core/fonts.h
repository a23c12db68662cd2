#pragma once

namespace velmora {

// Every window and every printed form asks for 宋体 (SimSun). Where the system has no SimSun a
// Song/Ming face stands in ("AR PL UMing CN" on Debian). Call before any window or document exists.
void installSongFontSubstitutions();

}  // namespace velmora
