#include <QDir>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

#include "app/fonts.h"
#include "pdf_words.h"
#include "platform/printer.h"
#include "platform/printer_surface_qt.h"
#include "printing/draw_remittance.h"
#include "printing/render_forms.h"

using namespace velmora;

namespace {

// One form with a recognisable first character in every field; the payee name holds a character
// outside GBK, which must print as itself.
FormContent sampleForm(const QString& amount) {
    FormContent form;
    form.text = {QStringLiteral("刘䶮"),
                 QStringLiteral("汇款人"),
                 QStringLiteral("北京市海淀区中关村大街一号"),
                 QStringLiteral("上海市浦东新区"),
                 QStringLiteral("888888"),
                 QStringLiteral("200120"),
                 amount,
                 QStringLiteral("13912345678"),
                 QStringLiteral("生日快乐")};
    form.check = {1, 0, 2, 0, 0, 0, 0, 0, 1};
    return form;
}

// The word beginning with start nearest to the point (x, y) in points.
const PdfWord* wordStartingWith(const PdfPage& page, const QString& start, double x = 0, double y = 0) {
    const PdfWord* best = nullptr;
    double bestDistance = 0;
    for (const PdfWord& word : page) {
        const double distance = std::hypot(word.xMin - x, word.yMin - y);
        if (word.text.startsWith(start) && (!best || distance < bestDistance)) {
            best = &word;
            bestDistance = distance;
        }
    }
    return best;
}

// The word beginning with start nearest to the field's place, or to a point so many pixels right of it.
const PdfWord* fieldWord(const PdfPage& page, const QString& start, int field, int rightPixels = 0) {
    return wordStartingWith(page, start, mmToPoints(FieldLayout[field].x) + pixelsToPoints(rightPixels),
                            mmToPoints(FieldLayout[field].y));
}

// ￥123.45 leaves four blanks before its first figure, each one advance and 65 pixels wide.
constexpr int kFourAmountBlanks = 4 * (63 + 65);

std::vector<const PdfWord*> wordsOnLine(const PdfPage& page, double yMin) {
    std::vector<const PdfWord*> line;
    for (const PdfWord& word : page) {
        if (std::abs(word.yMin - yMin) < 0.01) {
            line.push_back(&word);
        }
    }
    std::sort(line.begin(), line.end(), [](auto* a, auto* b) { return a->xMin < b->xMin; });
    return line;
}

constexpr double kTolerancePoints = 0.2 * 72.0 / 25.4;  // 0.2 mm

}  // namespace

class TestPrintPdf : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    std::vector<PdfPage> pages_;

private Q_SLOTS:
    void initTestCase() {
        installSongFontSubstitutions();
        QVERIFY(dir_.isValid());
        const QString path = dir_.filePath(QStringLiteral("forms.pdf"));
        const RenderReport report = RenderFormsToPdf(
            {sampleForm(QStringLiteral("\uFFE51234567.89")), sampleForm(QStringLiteral("\uFFE5123.45"))},
            path, 0, 0);
        QCOMPARE(report.status, PrintStatus::Printed);
        QCOMPARE(report.printed, 2);
        pages_ = pdfWords(path);
        QCOMPARE(pages_.size(), std::size_t(2));
    }

    // Each field's first character lands within 0.2 mm of its place on the form.
    void firstGlyphs_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("first");
        const QStringList firsts = {"刘", "汇", "北", "上", "8", "2", "1", "1", "生"};
        for (int i = 0; i < 9; ++i) {
            QTest::addRow("field %d", i) << i << firsts[i];
        }
    }
    void firstGlyphs() {
        QFETCH(int, field);
        QFETCH(QString, first);
        const FieldPlacement& place = FieldLayout[field];
        const PdfWord* word = fieldWord(pages_[0], first, field);
        QVERIFY2(word, qPrintable(first));
        QVERIFY2(std::abs(word->xMin - mmToPoints(place.x)) < kTolerancePoints,
                 qPrintable(QString::number(word->xMin)));
        QVERIFY2(std::abs(word->yMin - mmToPoints(place.y)) < kTolerancePoints,
                 qPrintable(QString::number(word->yMin)));
    }

    void rareCharacterPrints() { QVERIFY(wordStartingWith(pages_[0], QStringLiteral("刘䶮"))); }

    // Ticks for the checked boxes only (0 and 8; 2 is greyed), their corner at the tabulated place.
    void ticks() {
        std::vector<const PdfWord*> ticks;
        for (const PdfWord& word : pages_[0]) {
            if (word.text == QStringLiteral("\u221A")) {
                ticks.push_back(&word);
            }
        }
        QCOMPARE(ticks.size(), std::size_t(2));
        for (int box : {0, 8}) {
            const bool found = std::any_of(ticks.begin(), ticks.end(), [box](const PdfWord* w) {
                return std::abs(w->xMin - mmToPoints(CheckLayout[box].x)) < kTolerancePoints &&
                       std::abs(w->yMin - mmToPoints(CheckLayout[box].y)) < kTolerancePoints;
            });
            QVERIFY2(found, qPrintable(QString::number(box)));
        }
    }

    // Spaced digits: each one advance plus the field's extra pixels after the one before it.
    void spacing_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("first");
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("extraPixels");
        QTest::addColumn<int>("rightPixels");
        QTest::newRow("payee postcode") << 0 << "8" << 4 << 6 << 50 << 0;
        QTest::newRow("remitter postcode") << 0 << "2" << 5 << 6 << 50 << 0;
        QTest::newRow("mobile") << 0 << "1" << 7 << 11 << 30 << 0;
        QTest::newRow("amount") << 1 << "1" << 6 << 5 << 65 << kFourAmountBlanks;
    }
    void spacing() {
        QFETCH(int, page);
        QFETCH(QString, first);
        QFETCH(int, field);
        QFETCH(int, count);
        QFETCH(int, extraPixels);
        QFETCH(int, rightPixels);
        const PdfWord* start = fieldWord(pages_[page], first, field, rightPixels);
        QVERIFY(start);
        // Other fields may share the line further right: the field's own digits are the first ones.
        std::vector<const PdfWord*> line;
        for (const PdfWord* word : wordsOnLine(pages_[page], start->yMin)) {
            if (word->xMin >= start->xMin && int(line.size()) < count) {
                line.push_back(word);
            }
        }
        QCOMPARE(int(line.size()), count);
        for (const PdfWord* word : line) {
            QCOMPARE(word->text.size(), 1);  // spaced apart, each digit stands as a word of its own
        }
        for (std::size_t k = 1; k < line.size(); ++k) {
            const double advance = line[k - 1]->xMax - line[k - 1]->xMin;
            const double gap = line[k]->xMin - line[k - 1]->xMin - advance;
            QVERIFY2(std::abs(gap - pixelsToPoints(extraPixels)) < 0.01, qPrintable(QString::number(gap)));
        }
    }

    // ￥123.45: the sign at x 3889 px, 2 mm before the thousands box; the figures in the last five.
    void amountSign() {
        const PdfWord* sign = wordStartingWith(pages_[1], QStringLiteral("\uFFE5"));
        QVERIFY(sign);
        QVERIFY(std::abs(sign->xMin - pixelsToPoints(3889)) < 0.05);
        QVERIFY(std::abs(sign->yMin - mmToPoints(41)) < kTolerancePoints);
        const PdfWord* one = fieldWord(pages_[1], QStringLiteral("1"), 6, kFourAmountBlanks);
        QVERIFY(one);
        const double advance = one->xMax - one->xMin;
        QVERIFY(std::abs(one->xMin - (pixelsToPoints(3543) + 4 * (advance + pixelsToPoints(65)))) < 0.05);
        QVERIFY(!wordStartingWith(pages_[0], QStringLiteral("\uFFE5")));  // nine figures: no sign
    }

    // The Qt printer surface on a QPrinter writing a file: each document in a file of its own.
    void fileDocumentsAreNumbered() {
        QPrinter printer(QPrinter::HighResolution);
        const QString path = dir_.filePath(QStringLiteral("batch.pdf"));
        SetUpPdfPrinter(printer, path);
        const RenderReport report =
            PrintForms({sampleForm(QStringLiteral("\uFFE51.00")), sampleForm(QStringLiteral("\uFFE52.00")),
                        sampleForm(QStringLiteral("\uFFE53.00"))},
                       printer, 0, 0);
        QCOMPARE(report.status, PrintStatus::Printed);
        QCOMPARE(report.printed, 3);
        QCOMPARE(printer.outputFileName(), path);  // the printer keeps the name it was given
        const QStringList names = {"batch.pdf", "batch-2.pdf", "batch-3.pdf"};
        for (int k = 0; k < 3; ++k) {
            const auto pages = pdfWords(dir_.filePath(names[k]));
            QCOMPARE(pages.size(), std::size_t(1));
            const PdfWord* figure = fieldWord(pages[0], QString::number(k + 1), 6, 6 * (63 + 65));
            QVERIFY(figure);
            QVERIFY(std::abs(figure->xMin - pixelsToPoints(3543 + 6 * (62.5 + 65))) < 0.05);
        }
        // A single print later does not replace any of them either.
        QtPrinterSurface single(printer);
        DrawRemittance(sampleForm(QStringLiteral("\uFFE54.00")), 0, 0, single);
        QVERIFY(!single.failed());
        QCOMPARE(single.outputFile(), dir_.filePath(QStringLiteral("batch-4.pdf")));
    }

    // Numbered names: the number before the last suffix, never an existing file.
    void freeFileNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("expected");
        QTest::newRow("free") << "a.pdf" << QStringList{} << "a.pdf";
        QTest::newRow("taken") << "b.pdf" << QStringList{"b.pdf"} << "b-2.pdf";
        QTest::newRow("two taken") << "c.pdf" << QStringList{"c.pdf", "c-2.pdf"} << "c-3.pdf";
        QTest::newRow("no suffix") << "d" << QStringList{"d"} << "d-2";
        QTest::newRow("hidden file") << ".e" << QStringList{".e"} << ".e-2";
        QTest::newRow("two suffixes") << "f.tar.gz" << QStringList{"f.tar.gz"} << "f.tar-2.gz";
        QTest::newRow("dotted folder") << "g.dir/h" << QStringList{"g.dir/h"} << "g.dir/h-2";
    }
    void freeFileNames() {
        QFETCH(QString, name);
        QFETCH(QStringList, existing);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("g.dir")));
        for (const QString& file : existing) {
            QFile f(dir.filePath(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QCOMPARE(firstFreeFileName(dir.filePath(name)), dir.filePath(expected));
    }

    // A run of prints goes on numbering after the last name handed out, each name still checked.
    void numberingResumes() {
        QTemporaryDir dir;
        const QString base = dir.filePath(QStringLiteral("r.pdf"));
        for (const char* name : {"r.pdf", "r-2.pdf", "r-3.pdf"}) {
            QFile f(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QCOMPARE(firstFreeFileName(base), dir.filePath(QStringLiteral("r-4.pdf")));
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("r-2.pdf"))));
        QFile f(dir.filePath(QStringLiteral("r-4.pdf")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(firstFreeFileName(base), dir.filePath(QStringLiteral("r-5.pdf")));
        QCOMPARE(firstFreeFileName(base), dir.filePath(QStringLiteral("r-6.pdf")));  // not yet written
    }

    // A printer that cannot start the document is reported, not passed over.
    void unusablePrinterFails_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("printerName");
        QTest::newRow("unwritable file") << "/nonexistent-folder/forms.pdf" << QString();
        QTest::newRow("printer that does not exist") << "" << QStringLiteral("velmora-no-such-printer");
    }
    void unusablePrinterFails() {
        QFETCH(QString, file);
        QFETCH(QString, printerName);
        QPrinter printer(QPrinter::HighResolution);
        if (!file.isEmpty()) {
            SetUpPdfPrinter(printer, file);
        } else {
            printer.setPrinterName(printerName);
            if (printer.isValid() && printer.printerName() == printerName) {
                QSKIP("the print system accepts any printer name here");
            }
            if (!printer.printerName().isEmpty()) {
                // Qt puts another installed printer in place of a name it does not know; the
                // spooler test covers a printer that disappears.
                QSKIP("Qt chose another installed printer for the unknown name");
            }
        }
        const RenderReport report = PrintForms({sampleForm(QStringLiteral("\uFFE51.00"))}, printer, 0, 0);
        QCOMPARE(report.status, PrintStatus::Failed);
        QCOMPARE(report.printed, 0);
        QCOMPARE(report.failedIndex, 0);
        QVERIFY(!report.reason.isEmpty());

        if (!file.isEmpty()) {
            const RenderReport pdf = RenderFormsToPdf({sampleForm(QStringLiteral("\uFFE51.00"))}, file, 0, 0);
            QCOMPARE(pdf.status, PrintStatus::Failed);
            QVERIFY(pdf.reason.contains(file));
        }
    }

    // A form whose amount the boxes cannot hold stops the whole list before anything is written.
    void refusedAmountWritesNothing() {
        const QString path = dir_.filePath(QStringLiteral("refused.pdf"));
        const RenderReport report = RenderFormsToPdf(
            {sampleForm(QStringLiteral("\uFFE51.00")), sampleForm(QStringLiteral("\uFFE510000000.00"))}, path,
            0, 0);
        QCOMPARE(report.status, PrintStatus::Refused);
        QCOMPARE(report.failedIndex, 1);
        QCOMPARE(report.printed, 0);
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_MAIN(TestPrintPdf)
#include "test_print_pdf.moc"
