// velmora-cli render: one form drawn by DrawRemittance on an A4 PDF page whose printable area is the
// whole sheet, so calibration values of 10 put every field at its place on the form stock.

#include <QPrinter>
#include <cmath>
#include <optional>

#include "cli.h"
#include "platform/printer.h"
#include "printing/print_run.h"
#include "printing/render_forms.h"

namespace velmora::cli {

namespace {

constexpr const char* kRenderUsage =
    "render (--pdf OUT.pdf | --printer NAME) [--text I=VALUE]... [--tick I]... [--x MM --y MM]";

QString renderUsage() {
    QString line = QStringLiteral("velmora-cli ") + QString::fromUtf8(kRenderUsage);
    for (const RenderFormSource& source : renderFormSources()) {
        line += QStringLiteral(" [") + source.usage + QLatin1Char(']');
    }
    return QStringLiteral(
               "usage: %1\n"
               "  --pdf OUT.pdf    the PDF file to write (replaced when it exists)\n"
               "  --printer NAME   print on that printer through the system's spooler, each form a job\n"
               "  --text I=VALUE   the text of entry box I (0 to 8), taken as given\n"
               "  --tick I         tick check box I (0 to 8)\n"
               "  --x MM --y MM    calibration distances (0 to 30 mm, 10 = none); without them the stored "
               "ones")
        .arg(line);
}

int usageError(const QString& problem) {
    printError(QStringLiteral("velmora-cli render: ") + problem);
    printError(renderUsage());
    return kExitUsage;
}

std::optional<int> boxIndex(const QString& text) {
    bool ok = false;
    const int index = text.toInt(&ok);
    if (!ok || index < 0 || index > 8) {
        return std::nullopt;
    }
    return index;
}

std::optional<double> millimetres(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0 || value > 30) {
        return std::nullopt;
    }
    return value;
}

int runRender(const QStringList& arguments) {
    QString pdf;
    QString printerName;
    FormContent form;
    std::array<bool, 9> textGiven{};
    std::optional<double> x;
    std::optional<double> y;
    std::optional<std::pair<RenderFormSource, QString>> source;
    QHash<QString, QString> sourceOptions;
    const std::vector<RenderFormSource> sources = renderFormSources();

    for (qsizetype k = 0; k < arguments.size(); ++k) {
        QString option = arguments[k];
        if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            printOut(renderUsage());
            return kExitOk;
        }
        std::optional<QString> value;
        const qsizetype equals = option.indexOf(QLatin1Char('='));
        if (option.startsWith(QLatin1String("--")) && equals > 0 && option != QLatin1String("--text")) {
            // --name=value
            value = option.mid(equals + 1);
            option.truncate(equals);
        }
        const bool known = option == QLatin1String("--pdf") || option == QLatin1String("--printer") ||
                           option == QLatin1String("--text") || option == QLatin1String("--tick") ||
                           option == QLatin1String("--x") || option == QLatin1String("--y") ||
                           std::any_of(sources.begin(), sources.end(), [&](const RenderFormSource& s) {
                               return s.option == option || s.valueOptions.contains(option);
                           });
        if (!known) {
            return usageError(QStringLiteral("unknown argument \"%1\"").arg(arguments[k]));
        }
        if (!value) {
            if (k + 1 >= arguments.size()) {
                return usageError(QStringLiteral("%1 needs a value").arg(option));
            }
            value = arguments[++k];
        }

        if (option == QLatin1String("--pdf")) {
            if (!pdf.isEmpty() || value->isEmpty()) {
                return usageError(QStringLiteral("give --pdf once, with a file name"));
            }
            pdf = *value;
        } else if (option == QLatin1String("--printer")) {
            if (!printerName.isEmpty() || value->isEmpty()) {
                return usageError(QStringLiteral("give --printer once, with a printer name"));
            }
            printerName = *value;
        } else if (option == QLatin1String("--text")) {
            const qsizetype split = value->indexOf(QLatin1Char('='));
            const std::optional<int> index = split > 0 ? boxIndex(value->left(split)) : std::nullopt;
            if (!index) {
                return usageError(
                    QStringLiteral("--text wants I=VALUE with I from 0 to 8, not \"%1\"").arg(*value));
            }
            if (textGiven[*index]) {
                return usageError(QStringLiteral("--text %1 given twice").arg(*index));
            }
            textGiven[*index] = true;
            form.text[*index] = value->mid(split + 1);
        } else if (option == QLatin1String("--tick")) {
            const std::optional<int> index = boxIndex(*value);
            if (!index) {
                return usageError(
                    QStringLiteral("--tick wants a check box from 0 to 8, not \"%1\"").arg(*value));
            }
            form.check[*index] = 1;
        } else if (option == QLatin1String("--x") || option == QLatin1String("--y")) {
            std::optional<double>& target = option == QLatin1String("--x") ? x : y;
            if (target) {
                return usageError(QStringLiteral("%1 given twice").arg(option));
            }
            target = millimetres(*value);
            if (!target) {
                return usageError(
                    QStringLiteral("%1 wants millimetres from 0 to 30, not \"%2\"").arg(option, *value));
            }
        } else if (std::none_of(sources.begin(), sources.end(),
                                [&](const RenderFormSource& s) { return s.option == option; })) {
            if (sourceOptions.contains(option)) {
                return usageError(QStringLiteral("%1 given twice").arg(option));
            }
            sourceOptions.insert(option, *value);
        } else {
            if (source) {
                return usageError(QStringLiteral("give one source of forms"));
            }
            const auto it = std::find_if(sources.begin(), sources.end(),
                                         [&](const RenderFormSource& s) { return s.option == option; });
            source = std::make_pair(*it, *value);
        }
    }
    if (pdf.isEmpty() == printerName.isEmpty()) {
        return usageError(QStringLiteral("give either --pdf OUT.pdf or --printer NAME"));
    }
    if (x.has_value() != y.has_value()) {
        return usageError(QStringLiteral("give --x and --y together"));
    }

    std::vector<FormContent> forms = {form};
    for (auto it = sourceOptions.cbegin(); it != sourceOptions.cend(); ++it) {
        if (!source || !source->first.valueOptions.contains(it.key())) {
            return usageError(QStringLiteral("%1 goes with its source of forms").arg(it.key()));
        }
    }
    if (source) {
        QString error;
        std::optional<std::vector<FormContent>> found =
            source->first.forms(source->second, sourceOptions, form, &error);
        if (!found) {
            printError(QStringLiteral("velmora-cli render: ") + error);
            return kExitFailed;
        }
        forms = std::move(*found);
    }

    const Calibration calibration = x ? Calibration{*x, *y} : StoredCalibration();
    RenderReport report;
    if (!pdf.isEmpty()) {
        report = RenderFormsToPdf(forms, pdf, calibration.x - 10, calibration.y - 10);
    } else {
        // Qt falls back to another printer for a name it does not know: refuse an unknown name first.
        const QString problem = printerUnavailable(printerName);
        if (!problem.isEmpty()) {
            report = RenderReport{PrintStatus::Failed, 0, 0, QStringLiteral("无法开始打印：") + problem};
        } else {
            QPrinter printer(QPrinter::HighResolution);
            printer.setPrinterName(printerName);
            report = PrintForms(forms, printer, calibration.x - 10, calibration.y - 10);
        }
    }
    if (report.status != PrintStatus::Printed) {
        const QString which = forms.size() > 1
                                  ? QStringLiteral("第 %1 个汇款单未能打印（已打印 %2 个，共 %3 个）：")
                                        .arg(report.failedIndex + 1)
                                        .arg(report.printed)
                                        .arg(forms.size())
                                  : QString();
        printError(QStringLiteral("velmora-cli render: ") + which + report.reason);
        return kExitFailed;
    }
    return kExitOk;
}

const CommandRegistrar kRender("render", kRenderUsage, runRender);

}  // namespace

}  // namespace velmora::cli
