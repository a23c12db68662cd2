// velmora-cli import: the batch import into a grid in memory, the rows printed as tab-separated lines.

#include <algorithm>

#include "cli.h"
#include "print_plan.h"

namespace velmora::cli {

namespace {

const QString kRuleNames[] = {QStringLiteral("name"), QStringLiteral("address"), QStringLiteral("postcode"),
                              QStringLiteral("amount")};

bool isAsciiDigits(const QString& text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

// A cell as one field of a tab-separated line that no terminal acts on: a backslash, tab, line feed
// and carriage return as \\, \t, \n and \r, every other control character (C0, DEL, C1) as \xHH, and
// the line and paragraph separators and the bidirectional controls, which reorder what a terminal
// shows, as \uHHHH.
QString escaped(const QString& cell) {
    QString out;
    out.reserve(cell.size());
    for (const QChar c : cell) {
        const char16_t u = c.unicode();
        if (u == u'\\') {
            out += QLatin1String("\\\\");
        } else if (u == u'\t') {
            out += QLatin1String("\\t");
        } else if (u == u'\n') {
            out += QLatin1String("\\n");
        } else if (u == u'\r') {
            out += QLatin1String("\\r");
        } else if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) {
            out +=
                QLatin1String("\\x") + QString::number(u, 16).toUpper().rightJustified(2, QLatin1Char('0'));
        } else if (u == 0x2028 || u == 0x2029 || (u >= 0x202A && u <= 0x202E) ||
                   (u >= 0x2066 && u <= 0x2069) || u == 0x200E || u == 0x200F) {
            out +=
                QLatin1String("\\u") + QString::number(u, 16).toUpper().rightJustified(4, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

void addImportOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {QStringLiteral("sheet"), QStringLiteral("The worksheet (letter case ignored); default sheet1."),
         QStringLiteral("NAME"), QStringLiteral("sheet1")},
        {QStringLiteral("first-row"), QStringLiteral("The worksheet row of the first record; default 2."),
         QStringLiteral("N"), QStringLiteral("2")},
        {QStringLiteral("columns"),
         QStringLiteral("The columns of payee name, address, postcode and amount; default A,C,B,D."),
         QStringLiteral("A,C,B,D"), QStringLiteral("A,C,B,D")},
        {QStringLiteral("clean"),
         QStringLiteral("Drop the rows without: name, address, postcode or amount (or 0 to 3)."),
         QStringLiteral("RULE")},
    });
}

std::optional<BatchRequest> batchRequest(const QCommandLineParser& parser, const QString& path,
                                         QString* problem) {
    for (const QString& once : {QStringLiteral("sheet"), QStringLiteral("first-row"),
                                QStringLiteral("columns"), QStringLiteral("clean")}) {
        if (parser.values(once).size() > 1) {
            *problem = QStringLiteral("--%1 given twice").arg(once);
            return std::nullopt;
        }
    }
    BatchRequest batch;
    batch.request.path = path;
    batch.request.sheet = parser.value(QStringLiteral("sheet"));
    if (path.isEmpty() || batch.request.sheet.isEmpty()) {
        *problem = path.isEmpty() ? QStringLiteral("give a WORKBOOK, not \"\"")
                                  : QStringLiteral("--sheet wants a worksheet's name, not \"\"");
        return std::nullopt;
    }
    // Digits only, as the dialog's box takes them.
    const QString firstRow = parser.value(QStringLiteral("first-row"));
    if (!isAsciiDigits(firstRow) || firstRow.size() > 5 || firstRow.toInt() > 32767) {
        *problem = QStringLiteral("--first-row wants a row number from 0 to 32767, not \"%1\"").arg(firstRow);
        return std::nullopt;
    }
    batch.request.rowOffset = static_cast<std::int16_t>(firstRow.toInt() - 1);
    const QStringList letters = parser.value(QStringLiteral("columns")).split(QLatin1Char(','));
    bool lettersOk = letters.size() == 4;
    for (qsizetype k = 0; lettersOk && k < 4; ++k) {
        const QString column = letters[k].trimmed().toUpper();
        lettersOk = !column.isEmpty() && column.size() <= 2 &&
                    std::all_of(column.begin(), column.end(),
                                [](QChar c) { return c >= QLatin1Char('A') && c <= QLatin1Char('Z'); });
        batch.request.columns[static_cast<std::size_t>(k)] = ColumnNumber(column);
    }
    if (!lettersOk) {
        *problem = QStringLiteral("--columns wants four column letters such as A,C,B,D, not \"%1\"")
                       .arg(parser.value(QStringLiteral("columns")));
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("clean"))) {
        const QString rule = parser.value(QStringLiteral("clean"));
        const auto named = std::find(std::begin(kRuleNames), std::end(kRuleNames), rule.toLower());
        batch.cleanRule = named != std::end(kRuleNames)             ? int(named - std::begin(kRuleNames))
                          : rule.size() == 1 && isAsciiDigits(rule) ? rule.toInt()
                                                                    : -1;
        if (batch.cleanRule < 0 || batch.cleanRule > 3) {
            *problem = QStringLiteral("--clean wants name, address, postcode or amount (0 to 3), not \"%1\"")
                           .arg(rule);
            return std::nullopt;
        }
    }
    return batch;
}

std::optional<Batch> readBatch(const BatchRequest& request, QString* error) {
    Batch batch;
    batch.outcome = ImportWorkbook(request.request, batch.grid);
    if (batch.outcome.error != 0) {
        *error = batch.outcome.message;
        return std::nullopt;
    }
    if (request.cleanRule >= 0) {
        CleanRows(batch.grid, request.cleanRule, batch.outcome.rowsRead, &batch.outcome.doubts);
    }
    return batch;
}

int runImport(const QStringList& arguments) {
    const QString command = QStringLiteral("import");
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("WORKBOOK"),
                                 QStringLiteral("An .xlsx, .xlsm, .xls, .ods, .csv or .txt file."));
    addImportOptions(parser);
    parser.addOption(
        {QStringLiteral("summary"),
         QStringLiteral("Print what the batch adds up to instead of its rows: the records, the sum of "
                        "the amounts that can be printed and how many cannot.")});
    if (!parseArguments(parser, command, arguments)) {
        return usageError(parser, command, parser.errorText());
    }
    if (parser.isSet(QStringLiteral("help"))) {
        printOut(parser.helpText() +
                 QStringLiteral(
                     "\nPrints rows 1 to the last row read as: row, name, address, postcode, amount,\n"
                     "separated by tabs; a tab, line feed, carriage return or backslash in a cell\n"
                     "is written as \\t, \\n, \\r or \\\\, any other control character as \\xHH, and the\n"
                     "line and paragraph separators and bidirectional controls as \\uHHHH."));
        return kExitOk;
    }
    if (parser.positionalArguments().size() != 1) {
        return usageError(parser, command, QStringLiteral("give one WORKBOOK"));
    }
    QString error;
    const std::optional<BatchRequest> request =
        batchRequest(parser, parser.positionalArguments().first(), &error);
    if (!request) {
        return usageError(parser, command, error);
    }
    const std::optional<Batch> batch = readBatch(*request, &error);
    if (!batch) {
        printError(error);
        return kExitFailed;
    }
    if (parser.isSet(QStringLiteral("summary"))) {
        printOut(SummariseBatch(batch->grid, HandOverCount(batch->grid), {}, batch->outcome.doubts).text());
    }
    for (int row = 1; !parser.isSet(QStringLiteral("summary")) && row <= batch->outcome.rowsRead; ++row) {
        QStringList fields{QString::number(row)};
        for (int column = 1; column <= kDataColumns; ++column) {
            fields << escaped(batch->grid.text(row, column));
        }
        printOut(fields.join(QLatin1Char('\t')));
    }
    const QString notice = UnreadDataNotice(batch->outcome);
    if (!notice.isEmpty()) {
        printError(notice);
    }
    return kExitOk;
}

}  // namespace velmora::cli
