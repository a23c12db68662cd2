#pragma once

#include <array>
#include <cstdint>

namespace velmora {

// The program-wide variables, all zero at start. Widths are exact: counts, rows and columns are
// signed 16-bit, AskPrinter is one byte whose yes is 255.
struct AppState {
    std::int16_t ImportDone = 0;  // 0: the workbook named in fOpen is still to be read; 1: it has been
    std::int16_t EditRow = 0;     // grid row of the cell being edited in place
    std::int16_t EditCol = 0;     // grid column of that cell
    std::int16_t RowCount = 0;    // last grid row filled by the import, blank rows included
    std::array<std::int16_t, 4> ColNo{};  // worksheet columns: payee name, address, postcode, amount
    std::uint8_t AskPrinter = 0;  // 255: offer the printer dialog and the reminder; else print at once
};

constexpr std::uint8_t kAskPrinterYes = 255;

// The single instance shared by every window.
AppState& appState();

// Puts every variable back to zero (start-up state); for tests.
void resetAppState();

}  // namespace velmora
