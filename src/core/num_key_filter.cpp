#include "num_key_filter.h"

namespace velmora {

std::int16_t NumKeyFilter(std::int16_t code) {
    constexpr std::int16_t kBackspace = 8;
    constexpr std::int16_t kPoint = 46;
    constexpr std::int16_t kZero = 48;
    constexpr std::int16_t kNine = 57;
    if ((code >= kZero && code <= kNine) || code == kPoint || code == kBackspace) {
        return code;
    }
    return 0;
}

bool NumKeyFilterAdmits(const QString& text) {
    for (const QChar c : text) {
        if (c == QLatin1Char('\b')) {
            return false;  // a backspace is a key, never a character of the text
        }
        // A character code travels as a signed 16-bit value: codes above 32767 arrive negative.
        const auto code = static_cast<std::int16_t>(c.unicode());
        if (NumKeyFilter(code) == 0) {
            return false;
        }
    }
    return true;
}

}  // namespace velmora
