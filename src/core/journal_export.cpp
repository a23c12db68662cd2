#include "journal_export.h"

#include <xlsxwriter.h>

#include <QFile>
#include <QTemporaryDir>

#include "amount.h"

namespace velmora {

namespace {

const QStringList kHeaders = {
    QStringLiteral("时间"), QStringLiteral("打印机或文件"), QStringLiteral("工作簿"),
    QStringLiteral("记录"), QStringLiteral("收款人"),       QStringLiteral("邮编"),
    QStringLiteral("金额"), QStringLiteral("结果"),         QStringLiteral("原因")};
constexpr int kAmountColumn = 6;
constexpr int kPostcodeColumn = 5;

// The amount an entry printed, when it holds one.
std::optional<Money> amountOf(const JournalEntry& entry) {
    const AmountReading reading = ReadAmount(entry.form.text(Field::Amount));
    return reading.kind == AmountReading::Kind::Amount ? std::optional(reading.money) : std::nullopt;
}

// An entry's cells in the headers' order, the amount as plain digits ("1200.50").
QStringList cellsOf(const JournalEntry& entry) {
    return {entry.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            entry.destination,
            entry.workbook,
            entry.record > 0 ? QString::number(entry.record) : QString(),
            entry.form.text(Field::PayeeName),
            entry.form.text(Field::PayeePostcode),
            amountOf(entry) ? amountOf(entry)->plainText() : QString(),
            OutcomeText(entry.outcome),
            entry.reason};
}

// A CSV field: quoted where needed, and a text Excel would take for a formula made plain text.
QByteArray csvField(QString text) {
    if (!text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text.front())) {
        text.prepend(QLatin1Char('\''));
    }
    QByteArray field = text.toUtf8();
    if (field.contains(',') || field.contains('"') || field.contains('\n') || field.contains('\r')) {
        field.replace("\"", "\"\"");
        field = '"' + field + '"';
    }
    return field;
}

// A postcode as a formula whose result is the text itself: Excel keeps its leading zeros and converts
// nothing. Inside the formula's string nothing is evaluated; a quote in it is doubled, and doubled
// again as the CSV field is quoted.
QByteArray csvPostcode(QString postcode) {
    if (postcode.isEmpty()) {
        return {};
    }
    postcode.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    QByteArray formula = QStringLiteral("=\"%1\"").arg(postcode).toUtf8();
    formula.replace("\"", "\"\"");
    return '"' + formula + '"';
}

}  // namespace

QByteArray JournalCsv(const std::vector<JournalEntry>& entries) {
    QByteArray csv = "\xEF\xBB\xBF";
    csv += kHeaders.join(QLatin1Char(',')).toUtf8() + "\r\n";
    for (const JournalEntry& entry : entries) {
        const QStringList cells = cellsOf(entry);
        for (qsizetype i = 0; i < cells.size(); ++i) {
            csv += (i > 0 ? "," : "") + (i == kPostcodeColumn ? csvPostcode(cells[i]) : csvField(cells[i]));
        }
        csv += "\r\n";
    }
    return csv;
}

std::optional<QByteArray> JournalXlsx(const std::vector<JournalEntry>& entries, QString* error) {
    // libxlsxwriter writes to a file by name: a private temporary folder holds it and the library's own
    // scratch files, and the bytes go to their place like every other file the program writes.
    const QTemporaryDir dir;
    QByteArray folder = QFile::encodeName(dir.path());
    const QByteArray file = QFile::encodeName(dir.filePath(QStringLiteral("journal.xlsx")));
    lxw_workbook_options options{LXW_FALSE, folder.data(), LXW_FALSE};
    lxw_workbook* book = dir.isValid() ? workbook_new_opt(file.constData(), &options) : nullptr;
    if (!book) {
        *error = QStringLiteral("无法生成 Excel 文件：无法建立临时文件。");
        return std::nullopt;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(book, "打印记录");
    lxw_format* text = workbook_add_format(book);
    format_set_num_format(text, "@");
    lxw_format* money = workbook_add_format(book);
    format_set_num_format(money, "0.00");
    worksheet_set_column(sheet, 0, lxw_col_t(kHeaders.size() - 1), 16, text);
    lxw_error failed = LXW_NO_ERROR;
    const auto put = [&](lxw_row_t row, const QStringList& cells, std::optional<Money> amount) {
        for (qsizetype column = 0; column < cells.size() && failed == LXW_NO_ERROR; ++column) {
            const auto at = lxw_col_t(column);
            if (column == kAmountColumn && amount) {
                failed = worksheet_write_number(sheet, row, at, double(amount->fen()) / 100.0, money);
            } else if (!cells[column].isEmpty()) {
                failed = worksheet_write_string(sheet, row, at, cells[column].toUtf8().constData(), text);
            }
        }
    };
    put(0, kHeaders, std::nullopt);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        put(lxw_row_t(i + 1), cellsOf(entries[i]), amountOf(entries[i]));
    }
    const lxw_error closed = workbook_close(book);
    if (failed == LXW_NO_ERROR) {
        failed = closed;
    }
    QFile written(QString::fromLocal8Bit(file));
    if (failed != LXW_NO_ERROR || !written.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法生成 Excel 文件：%1。").arg(QString::fromUtf8(lxw_strerror(failed)));
        return std::nullopt;
    }
    return written.readAll();
}

}  // namespace velmora
