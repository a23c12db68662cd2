#pragma once

#include <QString>

namespace velmora {

// Normalises a money amount to two decimals: every "￥" removed, the leading number taken, written
// as trimmed number text and then cut (not rounded) or padded to two decimals: "12.345" gives
// "12.34", "0.5" gives ".50", "" gives "0.00". The argument is replaced by the result, which is also
// returned.
QString FormatAmount(QString& amount);

// The amount box's normalised text: "￥" followed by FormatAmount of the box text, whole (an amount
// the nine digit boxes cannot hold keeps all its digits, for AmountProblem to refuse). The main
// window's amount box and every record brought into it from a batch read alike.
QString NormalisedAmount(const QString& amountText);

// Why an amount box text cannot be printed in the form's nine digit boxes (a negative amount, or
// 10,000,000.00 and more), or "" when it can.
QString AmountProblem(const QString& amountText);

}  // namespace velmora
