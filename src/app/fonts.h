#pragma once

namespace velmora {

// Every window asks for 宋体 (SimSun). Where the system has no SimSun a Song/Ming face stands in
// ("AR PL UMing CN" on Debian). Call before any window exists.
void installSongFontSubstitutions();

}  // namespace velmora
