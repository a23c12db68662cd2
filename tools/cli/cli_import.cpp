// velmora-cli import: the batch import into a grid in memory, the rows printed as tab-separated lines;
// and render's --batch, which draws one form per record as "导　入" would hand them over.

#include <array>
#include <optional>

#include "app/app_state.h"
#include "batch/import.h"
#include "cli.h"
#include "platform/grid.h"
#include "text/amount.h"

namespace velmora::cli {

namespace {

constexpr const char* kImportUsage =
    "import WORKBOOK [--sheet NAME] [--first-row N] [--columns A,C,B,D] [--clean RULE]";

const QStringList kImportOptions{"--sheet", "--first-row", "--columns", "--clean"};

QString importUsage() {
    return QStringLiteral(
               "usage: velmora-cli %1\n"
               "  WORKBOOK            an .xlsx, .xlsm, .xls or .ods file\n"
               "  --sheet NAME        the worksheet (letter case ignored); default sheet1\n"
               "  --first-row N       the worksheet row of the first record; default 2\n"
               "  --columns A,C,B,D   the columns of payee name, address, postcode and amount\n"
               "  --clean RULE        drop the rows without: name, address, postcode or amount (or 0 to 3)\n"
               "Prints rows 1 to the last row read as: row, name, address, postcode, amount, separated by\n"
               "tabs; a tab, line feed, carriage return or backslash in a cell is written as \\t, \\n, \\r "
               "or \\\\.")
        .arg(QString::fromUtf8(kImportUsage));
}

// What the import needs, with the open-workbook dialog's defaults.
struct ImportSettings {
    QString path;
    QString sheet = QStringLiteral("sheet1");
    std::int16_t firstRow = 2;
    std::array<std::int16_t, 4> columns{1, 3, 2, 4};
    int cleanRule = -1;
};

// Sets one import option from its text; returns what is wrong with it, or "".
QString setImportOption(ImportSettings& settings, const QString& option, const QString& value) {
    if (option == QLatin1String("--sheet")) {
        settings.sheet = value;
    } else if (option == QLatin1String("--first-row")) {
        // Digits only, as the dialog's box takes them.
        bool ok =
            !value.isEmpty() && value.size() <= 5 &&
            std::all_of(value.begin(), value.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; });
        const int row = ok ? value.toInt() : -1;
        if (!ok || row > 32767) {
            return QStringLiteral("--first-row wants a row number from 0 to 32767, not \"%1\"").arg(value);
        }
        settings.firstRow = static_cast<std::int16_t>(row);
    } else if (option == QLatin1String("--columns")) {
        const QStringList letters = value.split(QLatin1Char(','));
        bool ok = letters.size() == 4;
        for (qsizetype k = 0; ok && k < 4; ++k) {
            const QString column = letters[k].trimmed().toUpper();
            ok = column.size() <= 2 && std::all_of(column.begin(), column.end(), [](QChar c) {
                     return c >= QLatin1Char('A') && c <= QLatin1Char('Z');
                 });
            settings.columns[static_cast<std::size_t>(k)] = ColumnNumber(column);
        }
        if (!ok) {
            return QStringLiteral("--columns wants four column letters such as A,C,B,D, not \"%1\"")
                .arg(value);
        }
    } else if (option == QLatin1String("--clean")) {
        static const QStringList names{"name", "address", "postcode", "amount"};
        const qsizetype named = names.indexOf(value.toLower());
        bool isNumber = false;
        const int rule = named >= 0 ? int(named) : value.toInt(&isNumber);
        if ((named < 0 && !isNumber) || rule < 0 || rule > 3) {
            return QStringLiteral("--clean wants name, address, postcode or amount (0 to 3), not \"%1\"")
                .arg(value);
        }
        settings.cleanRule = rule;
    }
    return {};
}

// The import into a grid of the batch grid's shape, cleaned when asked; nothing with *error set
// when it failed.
std::optional<ImportOutcome> importInto(MemoryGrid& grid, const ImportSettings& settings, QString* error) {
    appState().RowCount = 1;
    const ImportOutcome outcome =
        ReadWorkbook(grid, settings.path, settings.sheet, static_cast<std::int16_t>(settings.firstRow - 1),
                     settings.columns);
    if (outcome.error != 0) {
        *error = outcome.message;
        return std::nullopt;
    }
    if (settings.cleanRule >= 0) {
        CleanRows(grid, settings.cleanRule);
    }
    return outcome;
}

QString escaped(QString cell) {
    cell.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    cell.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    cell.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    cell.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    return cell;
}

int usageError(const QString& problem) {
    printError(QStringLiteral("velmora-cli import: ") + problem);
    printError(importUsage());
    return kExitUsage;
}

int runImport(const QStringList& arguments) {
    ImportSettings settings;
    bool pathGiven = false;
    QStringList seen;
    for (qsizetype k = 0; k < arguments.size(); ++k) {
        QString option = arguments[k];
        if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            printOut(importUsage());
            return kExitOk;
        }
        if (!option.startsWith(QLatin1String("--"))) {
            if (pathGiven) {
                return usageError(QStringLiteral("one workbook at a time, not also \"%1\"").arg(option));
            }
            settings.path = option;
            pathGiven = true;
            continue;
        }
        std::optional<QString> value;
        const qsizetype equals = option.indexOf(QLatin1Char('='));
        if (equals > 0) {
            value = option.mid(equals + 1);
            option.truncate(equals);
        }
        if (!kImportOptions.contains(option)) {
            return usageError(QStringLiteral("unknown argument \"%1\"").arg(arguments[k]));
        }
        if (seen.contains(option)) {
            return usageError(QStringLiteral("%1 given twice").arg(option));
        }
        seen << option;
        if (!value) {
            if (k + 1 >= arguments.size()) {
                return usageError(QStringLiteral("%1 needs a value").arg(option));
            }
            value = arguments[++k];
        }
        const QString problem = setImportOption(settings, option, *value);
        if (!problem.isEmpty()) {
            return usageError(problem);
        }
    }
    if (!pathGiven) {
        return usageError(QStringLiteral("WORKBOOK is required"));
    }

    MemoryGrid grid(kMaxDataRows + 1, kDataColumns + 1);
    QString error;
    const std::optional<ImportOutcome> outcome = importInto(grid, settings, &error);
    if (!outcome) {
        printError(error);
        return kExitFailed;
    }
    for (int row = 1; row <= appState().RowCount; ++row) {
        QStringList fields{QString::number(row)};
        for (int column = 1; column <= kDataColumns; ++column) {
            fields << escaped(grid.text(row, column));
        }
        printOut(fields.join(QLatin1Char('\t')));
    }
    const QString notice = UnreadDataNotice(*outcome);
    if (!notice.isEmpty()) {
        printError(notice);
    }
    return kExitOk;
}

// render --batch: records 1 to n of the imported batch, each over the boxes given with --text and
// --tick. A record whose amount the form cannot hold stops the run before anything is drawn.
std::optional<std::vector<FormContent>> batchForms(const QString& path,
                                                   const QHash<QString, QString>& options,
                                                   const FormContent& common, QString* error) {
    ImportSettings settings;
    settings.path = path;
    for (auto it = options.cbegin(); it != options.cend(); ++it) {
        const QString problem = setImportOption(settings, it.key(), it.value());
        if (!problem.isEmpty()) {
            *error = problem;
            return std::nullopt;
        }
    }
    MemoryGrid grid(kMaxDataRows + 1, kDataColumns + 1);
    if (!importInto(grid, settings, error)) {
        return std::nullopt;
    }
    const int count = HandOverCount(grid);
    if (count < 1) {
        *error = QStringLiteral("工作表中没有汇款单数据（没有收款人、地址或邮编）。");
        return std::nullopt;
    }
    std::vector<FormContent> forms;
    forms.reserve(static_cast<std::size_t>(count));
    for (int row = 1; row <= count; ++row) {
        FormContent form = RecordForm(grid, row, common);
        const QString problem = AmountProblem(form.text[6]);
        if (!problem.isEmpty()) {
            *error =
                QStringLiteral("第 %1 个汇款单（收款人：%2，金额：%3）不能打印：%4。没有生成任何汇款单。")
                    .arg(row)
                    .arg(form.text[0], grid.text(row, kColumnAmount), problem);
            return std::nullopt;
        }
        forms.push_back(std::move(form));
    }
    return forms;
}

const CommandRegistrar kImport("import", kImportUsage, runImport);

const RenderFormSourceRegistrar kBatch(RenderFormSource{
    QStringLiteral("--batch"),
    QStringLiteral("--batch WORKBOOK [--sheet NAME] [--first-row N] [--columns A,C,B,D] [--clean RULE]"),
    kImportOptions, batchForms});

}  // namespace

}  // namespace velmora::cli
