#pragma once

#include <QString>
#include <vector>

#include "form_check.h"

namespace velmora {

// Why a field's text cannot be printed as it reads, one text per distinct character at fault, in the
// order they first occur: "中的“𠀀”（U+20000）无法打印" for a character that neither the print font nor
// any of its fallbacks holds (it would print as an empty box), "中的控制字符（U+202E）无法打印" for a
// control or format character (it prints nothing, or reorders what follows it), and texts of their own
// for private-use characters, U+FFFD ("乱码字符") and broken surrogates. A line break (line feed, line or
// paragraph separator) is allowed where the field takes several lines. Needs a QGuiApplication (it asks the
// font database).
std::vector<QString> UnprintableCharacters(const QString& text, bool severalLines);

// Appends to `problems` one note per character of the form's fields that cannot be printed, the field's
// name in front: "收款人姓名中的“𠀀”（U+20000）无法打印".
void CheckPrintableCharacters(const FormContent& form, std::vector<FieldNote>& problems);

}  // namespace velmora
