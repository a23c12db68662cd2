#include "platform/printer.h"

#include <QFileInfo>
#include <QHash>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>

namespace velmora {

QPrinter& currentPrinter() {
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

QString firstFreeFileName(const QString& path) {
    if (!QFileInfo::exists(path)) {
        return path;
    }
    // The number goes before the last suffix of the file name: forms.pdf gives forms-2.pdf.
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const bool hasSuffix = dot > slash + 1;
    const QString stem = hasSuffix ? path.left(dot) : path;
    const QString suffix = hasSuffix ? path.mid(dot) : QString();
    // A batch numbers hundreds of files in a row: the search resumes after the last number handed
    // out for this name instead of testing every earlier one again.
    // Numbers freed since are found by the second pass.
    static QHash<QString, int> lastNumber;
    constexpr int kMostNumbers = 100000;
    const int resume = std::clamp(lastNumber.value(path) + 1, 2, kMostNumbers);
    for (int pass = 0; pass < 2; ++pass) {
        const int first = pass == 0 ? resume : 2;
        const int last = pass == 0 ? kMostNumbers : resume - 1;
        for (int n = first; n <= last; ++n) {
            const QString candidate = stem + QLatin1Char('-') + QString::number(n) + suffix;
            if (!QFileInfo::exists(candidate)) {
                lastNumber.insert(path, n);
                return candidate;
            }
        }
    }
    return {};
}

QString printerUnavailable(const QString& printerName) {
    const QPrinterInfo info = QPrinterInfo::printerInfo(printerName);
    if (info.isNull()) {
        return QStringLiteral("打印机“%1”不存在，可能已被删除。请在打印对话框中选择一台打印机。")
            .arg(printerName);
    }
    if (info.state() == QPrinter::Error || info.state() == QPrinter::Aborted) {
        return QStringLiteral("打印机“%1”已停止，不接受打印。请在系统的打印机设置中恢复这台打印机后再打印。")
            .arg(printerName);
    }
    return {};
}

}  // namespace velmora
