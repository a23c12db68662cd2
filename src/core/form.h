#pragma once

#include <QString>
#include <array>
#include <cstddef>

#include "length.h"

namespace velmora {

// The nine text fields of the form, in the order of the main window's entry boxes Txt(0) to Txt(8).
enum class Field {
    PayeeName,         // 收款人姓名
    RemitterName,      // 汇款人姓名
    PayeeAddress,      // 收款人地址
    RemitterAddress,   // 汇款人地址
    PayeePostcode,     // 收款人邮编, six digit boxes
    RemitterPostcode,  // 汇款人邮编, six digit boxes
    Amount,            // 汇款金额, nine digit boxes from millions of yuan down to fen
    Mobile,            // 手机号码
    Message,           // 汇款附言
};

// The nine tick squares, in the order of the check boxes Chk(0) to Chk(8).
enum class Tick {
    Express,          // 特急汇款
    Urgent,           // 加急汇款
    Electronic,       // 电子汇款
    Ordinary,         // 普通汇款
    Courtesy,         // 礼仪汇款
    Account,          // 入账汇款
    SmsReceipt,       // 短信回执
    DeliveryReceipt,  // 投单回执
    MessageAttached,  // 附言
};

inline constexpr int kFieldCount = 9;
inline constexpr int kTickCount = 9;

inline constexpr std::array<Field, kFieldCount> kFields = {
    Field::PayeeName,       Field::RemitterName,  Field::PayeeAddress,
    Field::RemitterAddress, Field::PayeePostcode, Field::RemitterPostcode,
    Field::Amount,          Field::Mobile,        Field::Message};
inline constexpr std::array<Tick, kTickCount> kTicks = {
    Tick::Express, Tick::Urgent,     Tick::Electronic,      Tick::Ordinary,       Tick::Courtesy,
    Tick::Account, Tick::SmsReceipt, Tick::DeliveryReceipt, Tick::MessageAttached};

constexpr std::size_t indexOf(Field field) {
    return static_cast<std::size_t>(field);
}
constexpr std::size_t indexOf(Tick tick) {
    return static_cast<std::size_t>(tick);
}

// A check box's value: only Ticked prints a tick.
enum class CheckValue { Clear = 0, Ticked = 1, Greyed = 2 };

// What one printed form holds: the nine box texts and the nine check values as the main window holds
// them at the moment of printing.
struct FormContent {
    std::array<QString, kFieldCount> texts;
    std::array<CheckValue, kTickCount> checks{};

    QString& text(Field field) { return texts[indexOf(field)]; }
    const QString& text(Field field) const { return texts[indexOf(field)]; }
    CheckValue& check(Tick tick) { return checks[indexOf(tick)]; }
    CheckValue check(Tick tick) const { return checks[indexOf(tick)]; }

    friend bool operator==(const FormContent&, const FormContent&) = default;
};

// Where one text field prints: the top-left corner of its first line on the sheet, how many
// characters fit on a line, the extra space after each character in 1/600 inch, and the font size
// in points.
struct FieldPlacement {
    Millimetres x;
    Millimetres y;
    int charactersPerLine;
    double extraSpacing;
    float fontSize;
};

// Where one tick prints: its top-left corner on the sheet.
struct CheckPlacement {
    Millimetres x;
    Millimetres y;
};

// The text fields of the form stock, by Field.
inline constexpr std::array<FieldPlacement, kFieldCount> FieldLayout = {{
    {{39.5}, {31}, 7, 0, 20},   // payee name
    {{39.5}, {51}, 7, 0, 20},   // remitter name
    {{39.5}, {39}, 25, 0, 12},  // payee address
    {{39.5}, {59}, 25, 0, 12},  // remitter address
    {{115}, {30}, 6, 50, 20},   // payee postcode
    {{115}, {50}, 6, 50, 20},   // remitter postcode
    {{150}, {41}, 9, 65, 15},   // amount in figures
    {{160}, {13}, 11, 30, 12},  // mobile telephone number
    {{152}, {50}, 9, 0, 12},    // remittance message
}};

// The ticks, by Tick.
inline constexpr std::array<CheckPlacement, kTickCount> CheckLayout = {{
    {{62.5}, {14}},     // express remittance
    {{62.5}, {19}},     // urgent remittance
    {{62.5}, {24.4}},   // electronic remittance
    {{106.5}, {14}},    // ordinary remittance
    {{106.5}, {19}},    // courtesy remittance
    {{106.5}, {24.5}},  // remittance into an account
    {{136}, {14.5}},    // SMS receipt
    {{136}, {22}},      // delivery receipt
    {{163}, {22}},      // message attached
}};

inline constexpr int kPrintedLinesPerField = 5;
inline constexpr int kAmountBoxes = 9;
inline constexpr int kPostcodeDigits = 6;
inline constexpr float kTickFontSize = 10;
inline constexpr Millimetres kAmountBoxPitch{50.0 / 9.0};
inline constexpr Millimetres kYuanSignShift{2};
inline const QString kTick = QStringLiteral("\u221A");      // √
inline const QString kYuanSign = QStringLiteral("\uFFE5");  // ￥

}  // namespace velmora
