// ink_check: compares where the ink of printed fields landed on two rasterised pages.
//
//   ink_check REFERENCE.pgm ACTUAL.pgm DPI TOLERANCE_MM X,Y,W,H...
//
// For every window (millimetres from the sheet's corner: left, top, width, height) it finds the
// top-left corner of the ink in both pages and fails when the two differ by more than the tolerance
// in either direction, or when a window holds ink in one page but not in the other.

#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QRect>
#include <QStringList>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

std::optional<QPoint> inkCorner(const QImage& page, const QRect& window) {
    const QRect area = window.intersected(page.rect());
    int left = -1;
    int top = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const uchar* line = page.constScanLine(y);
        for (int x = area.left(); x <= area.right(); ++x) {
            if (line[x] < 128) {
                if (top < 0) {
                    top = y;
                }
                if (left < 0 || x < left) {
                    left = x;
                }
            }
        }
    }
    if (top < 0) {
        return std::nullopt;
    }
    return QPoint(left, top);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 6) {
        std::fprintf(stderr, "usage: ink_check REFERENCE.pgm ACTUAL.pgm DPI TOLERANCE_MM X,Y,W,H...\n");
        return 2;
    }
    QImageReader::setAllocationLimit(0);
    const QImage reference = QImage(args[1]).convertToFormat(QImage::Format_Grayscale8);
    const QImage actual = QImage(args[2]).convertToFormat(QImage::Format_Grayscale8);
    if (reference.isNull() || actual.isNull()) {
        std::fprintf(stderr, "ink_check: cannot read the pages\n");
        return 2;
    }
    const double dpi = args[3].toDouble();
    const double tolerance = args[4].toDouble();
    const auto px = [dpi](double mm) { return static_cast<int>(std::lround(mm / 25.4 * dpi)); };
    int failures = 0;
    for (qsizetype k = 5; k < args.size(); ++k) {
        const QStringList parts = args[k].split(QLatin1Char(','));
        if (parts.size() != 4) {
            std::fprintf(stderr, "ink_check: bad window %s\n", qPrintable(args[k]));
            return 2;
        }
        const QRect window(px(parts[0].toDouble()), px(parts[1].toDouble()), px(parts[2].toDouble()),
                           px(parts[3].toDouble()));
        const auto want = inkCorner(reference, window);
        const auto got = inkCorner(actual, window);
        if (!want || !got) {
            std::printf("%s: ink in reference %s, in actual %s\n", qPrintable(args[k]), want ? "yes" : "no",
                        got ? "yes" : "no");
            failures += (want.has_value() != got.has_value()) ? 1 : 0;
            continue;
        }
        const double dx = (got->x() - want->x()) * 25.4 / dpi;
        const double dy = (got->y() - want->y()) * 25.4 / dpi;
        const bool ok = std::fabs(dx) <= tolerance && std::fabs(dy) <= tolerance;
        std::printf("%s: dx %.3f mm, dy %.3f mm %s\n", qPrintable(args[k]), dx, dy, ok ? "ok" : "OFF");
        failures += ok ? 0 : 1;
    }
    return failures == 0 ? 0 : 1;
}
