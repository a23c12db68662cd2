#pragma once

#include <QString>

namespace velmora {

// The text without blanks (U+0020) at either end; tabs and ideographic spaces stay. Imported cells,
// dialog entries and the printed fields are trimmed this way.
QString TrimBlanks(const QString& text);

}  // namespace velmora
