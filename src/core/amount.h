#pragma once

#include <QString>
#include <optional>

namespace velmora {

// Normalises a money amount to two decimals: every "￥" removed, the leading number taken, written
// as trimmed number text and then cut (not rounded) or padded to two decimals: "12.345" gives
// "12.34", "0.5" gives ".50", "" gives "0.00". The argument is replaced by the result, which is also
// returned. This is the amount box's display step; Money is what the amount is.
QString FormatAmount(QString& amount);

// An amount of money in fen, never negative. One form holds at most kMostFen (9,999,999.99 yuan, nine
// digit boxes); a sum of forms may hold more.
class Money {
public:
    static constexpr int kBoxes = 9;                 // millions of yuan down to fen
    static constexpr qint64 kMostFen = 999'999'999;  // nine nines
    static_assert(kMostFen == 1'000'000'000 - 1, "one nine per digit box");

    constexpr Money() = default;
    // Nothing for a negative amount.
    static std::optional<Money> fromFen(qint64 fen);

    qint64 fen() const { return fen_; }
    // Whether one form's digit boxes hold it.
    bool fitsForm() const { return fen_ <= kMostFen; }
    Money& operator+=(Money other) {
        fen_ += other.fen_;
        return *this;
    }
    // For the operator, grouped by thousands: "￥25,680.50".
    QString text() const;
    // As a plain number with two decimals, for files: "25680.50".
    QString plainText() const;

    friend bool operator==(Money, Money) = default;

private:
    explicit constexpr Money(qint64 fen) : fen_(fen) {}
    qint64 fen_ = 0;
};

// What an amount text holds, read once: from the main window's box or a batch cell. A "￥" (or "¥")
// in front and blanks at either end are allowed, then an optional minus and digits with at most one
// point ("12", "12.5", ".5", "12."), or digits grouped by thousands with commas ("1,200",
// "12,345.60"). Decimals past the second are cut, not rounded, as the form prints them.
struct AmountReading {
    enum class Kind {
        Empty,      // nothing but blanks and the sign
        Amount,     // a number the boxes can hold; `money` holds it
        NotNumber,  // any other text ("12元", "壹仟元", "1,20", "1.2.3")
        Negative,
        TooLarge,  // more than the nine boxes hold
    };
    Kind kind = Kind::Empty;
    Money money;
    QString bare;              // the text without the sign and the blanks, as the operator wrote it
    QString plain;             // for a number: its digits and point, without sign, commas and blanks
    bool decimalsCut = false;  // digits other than 0 past the second decimal

    // Why a form with this amount cannot be printed, after the field's name ("“12元”不是数字");
    // "" when it can. An empty or zero amount is refused: no remittance of ￥0.00 is meant.
    QString refusal() const;
};
AmountReading ReadAmount(const QString& text);

// The amount box's text once normalised: "￥" and FormatAmount of the number ("1,200" gives
// "￥1200.00", "12.345" gives "￥12.34"); an empty box gives "￥0.00". A text that is not wholly a
// number is kept as it is, never cut to the number it begins with.
QString NormalisedAmount(const QString& text);

}  // namespace velmora
