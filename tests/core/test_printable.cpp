// Characters that cannot be printed as they read: ones no print font holds, controls, private use,
// U+FFFD, broken surrogates. And characters beyond the common set printed from the fallback faces.

#include <QPageLayout>
#include <QPageSize>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "cases.h"
#include "draw_remittance.h"
#include "fonts.h"
#include "pdf_words.h"
#include "printable_text.h"
#include "printer_surface_qt.h"

using namespace velmora;

class TestPrintable : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installSongFontSubstitutions(); }

    // printing/characters.txt, and a surrogate alone, which no UTF-8 file holds.
    void characters_data() {
        velmora::test::AddRows(QStringLiteral("printing/characters.txt"), "field:i text:s problems:s");
        QTest::newRow("a lone surrogate") << 0 << QStringLiteral("三") + QChar(0xD800)
                                          << QStringLiteral("收款人姓名中的不完整字符（U+D800）无法打印");
    }

    void characters() {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, problems);
        FormContent form;
        form.text(Field(field)) = text;
        std::vector<FieldNote> notes;
        CheckPrintableCharacters(form, notes);
        QStringList found;
        for (const FieldNote& note : notes) {
            QCOMPARE(note.field, Field(field));
            found << note.text;
        }
        QCOMPARE(found, problems.split(u'|', Qt::SkipEmptyParts));
    }

    // Printed to PDF, the common characters come from AR PL UMing and the rare ones from a HanaMin face,
    // not as the empty boxes of a face that lacks them.
    void rareCharactersPrint() {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("rare.pdf"));
        FormContent form;
        form.text(Field::PayeeName) = QStringLiteral("𠀀明");
        form.text(Field::RemitterName) = QStringLiteral("喆𬌗堃");
        PdfFileSurface surface(pdf, QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, {}), 600);
        DrawRemittance(form, {}, surface);
        QVERIFY2(!surface.failed(), qPrintable(surface.failure()));
        const std::vector<PdfPage> pages = pdfWords(pdf);
        QCOMPARE(pages.size(), 1u);
        QStringList words;
        for (const PdfWord& word : pages[0]) {
            words << word.text;
        }
        // Qt writes no text mapping for glyphs beyond the BMP: their neighbours read back, and the
        // faces embedded show where the rare ones came from.
        QCOMPARE(words, (QStringList{QStringLiteral("明"), QStringLiteral("￥"), QStringLiteral("喆"),
                                     QStringLiteral("堃")}));
        QProcess fonts;
        fonts.start(QStringLiteral("pdffonts"), {pdf});
        QVERIFY(fonts.waitForFinished(60000));
        const QString listed = QString::fromUtf8(fonts.readAllStandardOutput());
#ifdef Q_OS_WIN
        // Windows names its own faces (SimSun and SimSun-ExtB; under Wine the Song face standing in for
        // SimSun by a Chinese name): two faces embedded, one for the common and one for the rare.
        QVERIFY2(listed.count(QStringLiteral(" CID TrueType ")) == 2, qPrintable(listed));
#else
        QVERIFY2(listed.contains(QStringLiteral("HanaMin")) && listed.contains(QStringLiteral("UMing")),
                 qPrintable(listed));
#endif
    }
};

QTEST_MAIN(TestPrintable)
#include "test_printable.moc"
