#pragma once

#include <QString>

namespace velmora {

// Normalises a money amount to two decimals: every "￥" removed, the leading number taken, written
// as trimmed number text and then cut (not rounded) or padded to two decimals: "12.345" gives
// "12.34", "0.5" gives ".50", "" gives "0.00". The argument is replaced by the result, which is also
// returned.
QString FormatAmount(QString& amount);

}  // namespace velmora
