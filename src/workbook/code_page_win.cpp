// Code pages through the system's own tables (MultiByteToWideChar).

#include <windows.h>

#include "code_page.h"

namespace velmora {

namespace {

// The whole of `bytes` in code page `cp`, or nothing when some sequence is undefined there.
std::optional<QString> convert(UINT cp, QByteArrayView bytes) {
    const int size = int(bytes.size());
    const int length = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    QString text(length, Qt::Uninitialized);
    MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes.data(), size, reinterpret_cast<wchar_t*>(text.data()),
                        length);
    return text;
}

}  // namespace

std::optional<QString> DecodeCodePage(int codePage, QByteArrayView bytes) {
    // Excel's own numbers for Mac Roman and Windows Latin 1, and BIFF's number for ASCII.
    const UINT cp = codePage == 32768   ? 10000
                    : codePage == 32769 ? 1252
                    : codePage == 367   ? 20127
                                        : UINT(codePage);
    if (!IsValidCodePage(cp)) {
        return std::nullopt;
    }
    if (bytes.isEmpty()) {
        return QString();
    }
    if (std::optional<QString> text = convert(cp, bytes)) {
        return text;
    }
    // Some sequence is undefined: take the longest defined one of at most four bytes at each place,
    // U+FFFD for a byte that starts none.
    QString text;
    for (qsizetype i = 0; i < bytes.size();) {
        qsizetype taken = 0;
        for (qsizetype n = std::min<qsizetype>(4, bytes.size() - i); n > 0 && taken == 0; --n) {
            if (std::optional<QString> part = convert(cp, bytes.sliced(i, n))) {
                text += *part;
                taken = n;
            }
        }
        if (taken == 0) {
            text += QChar::ReplacementCharacter;
            taken = 1;
        }
        i += taken;
    }
    return text;
}

}  // namespace velmora
