#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <vector>

// The words pdftotext finds on each page of a PDF file, with their boxes in points from the page's
// top-left corner.
struct PdfWord {
    double xMin, yMin, xMax, yMax;
    QString text;
};
using PdfPage = std::vector<PdfWord>;

inline std::vector<PdfPage> pdfWords(const QString& path) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    std::vector<PdfPage> pages;
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        return pages;
    }
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    static const QRegularExpression tag(QStringLiteral(
        R"re(<page |<word xMin="([-0-9.]+)" yMin="([-0-9.]+)" xMax="([-0-9.]+)" yMax="([-0-9.]+)">([^<]*)</word>)re"));
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0) == QLatin1String("<page ")) {
            pages.emplace_back();
        } else if (!pages.empty()) {
            pages.back().push_back({m.captured(1).toDouble(), m.captured(2).toDouble(),
                                    m.captured(3).toDouble(), m.captured(4).toDouble(),
                                    m.captured(5).replace(QLatin1String("&amp;"), QLatin1String("&"))});
        }
    }
    return pages;
}
