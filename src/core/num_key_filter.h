#pragma once

#include <QString>
#include <cstdint>

namespace velmora {

// The key filter of the numeric boxes: the code itself for the digits "0" to "9" (48 to 57), the
// point "." (46) and backspace (8); 0 (discard the key) for every other code, control characters,
// negative codes and the double-byte characters of an input method included.
std::int16_t NumKeyFilter(std::int16_t code);

// True when every character of a text is a digit or the point, each of which NumKeyFilter admits as a
// typed key: the test for text that reaches a numeric box other than by typing (pasted or dropped
// text, an input method's commit). A backspace inside such a text is not a key and is refused.
bool NumKeyFilterAdmits(const QString& text);

}  // namespace velmora
