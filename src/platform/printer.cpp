#include "platform/printer.h"

#include <QFileInfo>
#include <QPrinter>
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
    constexpr int kMostNumbers = 100000;
    for (int n = 2; n <= kMostNumbers; ++n) {
        const QString candidate = stem + QLatin1Char('-') + QString::number(n) + suffix;
        if (!QFileInfo::exists(candidate)) {
            return candidate;
        }
    }
    return {};
}

}  // namespace velmora
