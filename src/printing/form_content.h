#pragma once

#include <QString>
#include <array>

namespace velmora {

// What one printed form holds: the nine entry box texts Txt(0..8) and the nine check box values
// Chk(0..8) (0 clear, 1 ticked, 2 greyed) as the main window holds them at the moment of printing.
struct FormContent {
    std::array<QString, 9> text;
    std::array<int, 9> check{};
};

}  // namespace velmora
