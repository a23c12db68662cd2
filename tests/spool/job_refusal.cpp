// Starts one form's print job on a CUPS queue that takes jobs, makes the queue refuse jobs
// (cupsreject) before the document is ended, and prints what the surface then says. Exits 0 when the
// surface reports the form as failed with the spooler's refusal, 1 when it reports it as printed.
//
//   job_refusal QUEUE

#include <QGuiApplication>
#include <QPrinter>
#include <QProcess>
#include <cstdio>

#include "fonts.h"
#include "printer_surface_qt.h"

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: job_refusal QUEUE\n");
        return 2;
    }
    velmora::installSongFontSubstitutions();
    const QString queue = QString::fromLocal8Bit(argv[1]);
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(queue);
    velmora::QtPrinterSurface surface(printer, QStringLiteral("汇款单 拒收测试"));
    surface.textOut({600}, {600}, QStringLiteral("张三"));  // the queue takes jobs when the job begins
    if (surface.failed() || QProcess::execute(QStringLiteral("cupsreject"), {queue}) != 0) {
        std::fprintf(stderr, "could not begin the job, or reject the queue\n");
        return 2;
    }
    const bool ended = surface.endDocument();
    std::printf("%s\n", qPrintable(surface.failure()));
    return ended || !surface.failed() ? 1 : 0;
}
