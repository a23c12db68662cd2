#pragma once

class QPrinter;

namespace velmora {

// The program's current printer, one for the program's life: a high-resolution QPrinter on the
// system's default printer until an accepted printer dialog makes the chosen printer current.
QPrinter& currentPrinter();

}  // namespace velmora
