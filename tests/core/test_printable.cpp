// Characters that cannot be printed as they read: ones no print font holds, controls, private use,
// U+FFFD, broken surrogates. And characters beyond the common set printed from the fallback faces.

#include <QPageLayout>
#include <QPageSize>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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

    void characters_data() {
        QTest::addColumn<Field>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("problems");
        const Field payee = Field::PayeeName;
        QTest::newRow("common") << payee << QStringLiteral("张三") << QStringList();
        QTest::newRow("extension B") << payee << QStringLiteral("𠀀明") << QStringList();
        QTest::newRow("extension E") << Field::RemitterName << QStringLiteral("喆𬌗堃") << QStringList();
        QTest::newRow("no font has it, once per character")
            << Field::PayeeAddress << QStringLiteral("广州\n𰁁𰁁路")
            << QStringList{QStringLiteral("收款人地址中的“𰁁”（U+30041）无法打印")};
        QTest::newRow("right-to-left override")
            << payee << QStringLiteral("张\u202E三")
            << QStringList{QStringLiteral("收款人姓名中的控制字符（U+202E）无法打印")};
        QTest::newRow("NUL") << payee << QStringLiteral("张") + QChar(0) + QStringLiteral("三")
                             << QStringList{QStringLiteral("收款人姓名中的控制字符（U+0000）无法打印")};
        QTest::newRow("line feed in a one-line box")
            << payee << QStringLiteral("张\n三")
            << QStringList{QStringLiteral("收款人姓名中的控制字符（U+000A）无法打印")};
        QTest::newRow("U+FFFD") << Field::Message << QStringLiteral("生日\uFFFD快乐")
                                << QStringList{QStringLiteral("汇款附言中的乱码字符（U+FFFD）无法打印")};
        QTest::newRow("private use and a lone surrogate")
            << payee << QStringLiteral("\uE000三") + QChar(0xD800)
            << QStringList{QStringLiteral("收款人姓名中的私用区字符（U+E000）无法打印"),
                           QStringLiteral("收款人姓名中的不完整字符（U+D800）无法打印")};
    }

    void characters() {
        QFETCH(Field, field);
        QFETCH(QString, text);
        QFETCH(QStringList, problems);
        FormContent form;
        form.text(field) = text;
        std::vector<FieldNote> notes;
        CheckPrintableCharacters(form, notes);
        QStringList found;
        for (const FieldNote& note : notes) {
            QCOMPARE(note.field, field);
            found << note.text;
        }
        QCOMPARE(found, problems);
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
        QVERIFY2(listed.contains(QStringLiteral("HanaMin")) && listed.contains(QStringLiteral("UMing")),
                 qPrintable(listed));
    }
};

QTEST_MAIN(TestPrintable)
#include "test_printable.moc"
