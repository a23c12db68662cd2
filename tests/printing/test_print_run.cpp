#include <QLineEdit>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

#include "app/app_state.h"
#include "app/fonts.h"
#include "app/window_registry.h"
#include "platform/printer.h"
#include "platform/printer_surface_recording.h"
#include "printing/collate_dialog.h"
#include "printing/draw_remittance.h"
#include "printing/print_run.h"
#include "support/calibration.h"
#include "support/test_services.h"

using namespace velmora;
using namespace Qt::StringLiterals;
using Kind = ScriptedDialogs::Kind;
using Call = RecordingSurface::Call;

namespace {

const QString kReminder = QStringLiteral("请在您选择的打印机中放入邮政汇款单。");
const QString kQuestion = QStringLiteral("您是否需要打印校验图形？如果要打印，请在打印机中放好A4纸一张。");

FormContent sampleForm() {
    FormContent form;
    form.text[0] = QStringLiteral("张三");
    form.text[6] = QStringLiteral("\uFFE5123.45");
    return form;
}

}  // namespace

class TestPrintRun : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<test::TestServices> services_;
    std::vector<RecordingSurface::Document> documents_;
    bool failToStart_ = false;
    bool failToFinish_ = false;
    std::size_t dialogCallsAtDrawing_ = 0;

    void store(const QString& x, const QString& y) { test::StoreCalibration(services_->settings(), x, y); }
    std::vector<Call> textOuts(std::size_t document) const {
        std::vector<Call> found;
        for (const Call& call : documents_.at(document)) {
            if (call.kind == RecordingSurface::Kind::TextOut) {
                found.push_back(call);
            }
        }
        return found;
    }

private Q_SLOTS:
    void initTestCase() { installSongFontSubstitutions(); }

    void init() {
        services_ = std::make_unique<test::TestServices>();
        documents_.clear();
        failToStart_ = failToFinish_ = false;
        resetAppState();
        setPrinterSurfaceFactory([this] {
            dialogCallsAtDrawing_ = services_->dialogs.calls.size();
            auto surface = std::make_unique<RecordingSurface>(600, &documents_);
            surface->failToStart = failToStart_;
            surface->failToFinish = failToFinish_;
            return surface;
        });
        store(QStringLiteral("10"), QStringLiteral("10"));
    }

    void cleanup() {
        setPrinterSurfaceFactory({});
        WindowRegistry::instance().destroyAll();
        services_.reset();
    }

    void cancelledDialogPrintsNothing() {
        appState().AskPrinter = kAskPrinterYes;
        services_->dialogs.printerAnswers = {false};
        const PrintResult result = PrintRemittance(sampleForm(), nullptr);
        QCOMPARE(result.status, PrintStatus::Cancelled);
        QVERIFY(result.reason.isEmpty());
        QCOMPARE(services_->dialogs.calls.size(), std::size_t(1));  // no reminder
        QVERIFY(documents_.empty());
    }

    void acceptedDialogRemindsThenPrints() {
        appState().AskPrinter = kAskPrinterYes;
        services_->dialogs.printerAnswers = {true};
        const PrintResult result = PrintRemittance(sampleForm(), nullptr);
        QCOMPARE(result.status, PrintStatus::Printed);
        const auto& calls = services_->dialogs.calls;
        QCOMPARE(calls.size(), std::size_t(2));
        QCOMPARE(calls[0].kind, Kind::Printer);
        QCOMPARE(calls[1].kind, Kind::Message);
        QCOMPARE(calls[1].text, kReminder);
        QCOMPARE(calls[1].title, QStringLiteral("友情提示"));
        QCOMPARE(calls[1].icon, MessageIcon::Exclamation);
        QCOMPARE(dialogCallsAtDrawing_, std::size_t(2));  // drawn only after the reminder
        QCOMPARE(documents_.size(), std::size_t(1));
        QCOMPARE(textOuts(0).front().x, 933);
        QCOMPARE(textOuts(0).front().y, 732);
        QCOMPARE(appState().AskPrinter, kAskPrinterYes);  // the run leaves the flag alone
    }

    // Only 255 asks; a batch (0) and any other value print at once, each form a document.
    void batchPrintsWithoutDialogs_data() {
        QTest::addColumn<int>("askPrinter");
        QTest::newRow("0") << 0;
        QTest::newRow("1") << 1;
        QTest::newRow("254") << 254;
    }
    void batchPrintsWithoutDialogs() {
        QFETCH(int, askPrinter);
        appState().AskPrinter = std::uint8_t(askPrinter);
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(PrintRemittance(sampleForm(), nullptr).status, PrintStatus::Printed);
        }
        QVERIFY(services_->dialogs.calls.empty());
        QCOMPARE(documents_.size(), std::size_t(3));
        for (const auto& document : documents_) {
            QCOMPARE(document.back().kind, RecordingSurface::Kind::EndDocument);
        }
    }

    // The stored values, read anew for every form, become the offsets X - 10 and Y - 10.
    void calibrationOffsets_data() {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<double>("offsetX");
        QTest::addColumn<double>("offsetY");
        QTest::newRow("10 and 10") << "10" << u"10"_s << 0.0 << 0.0;
        QTest::newRow("12.5 and 8") << "12.5" << u"8"_s << 2.5 << -2.0;
        QTest::newRow(".5 and 30") << ".5" << u"30"_s << -9.5 << 20.0;
        QTest::newRow("letters read as 0") << "abc" << u"10"_s << -10.0 << 0.0;
        QTest::newRow("missing read as 0") << "" << QString() << -10.0 << -10.0;
    }
    void calibrationOffsets() {
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(double, offsetX);
        QFETCH(double, offsetY);
        store(x, y);
        QCOMPARE(PrintRemittance(sampleForm(), nullptr).status, PrintStatus::Printed);
        RecordingSurface reference(600);
        QCOMPARE(textOuts(0).front().x, MmToDevicePixels(39.5 - offsetX, u"x", reference));
        QCOMPARE(textOuts(0).front().y, MmToDevicePixels(31 - offsetY, u"y", reference));

        // A change in between applies to the next form.
        store(QStringLiteral("11"), QStringLiteral("9"));
        QCOMPARE(PrintRemittance(sampleForm(), nullptr).status, PrintStatus::Printed);
        QCOMPARE(textOuts(1).front().x, MmToDevicePixels(39.5 - 1, u"x", reference));
        QCOMPARE(textOuts(1).front().y, MmToDevicePixels(31 + 1, u"y", reference));
    }

    // A printer that cannot start or finish the document is reported, never passed over.
    void printerFailureIsReported_data() {
        QTest::addColumn<bool>("start");
        QTest::newRow("cannot start") << true;
        QTest::newRow("cannot finish") << false;
    }
    void printerFailureIsReported() {
        QFETCH(bool, start);
        failToStart_ = start;
        failToFinish_ = !start;
        const PrintResult result = PrintRemittance(sampleForm(), nullptr);
        QCOMPARE(result.status, PrintStatus::Failed);
        QVERIFY(!result.reason.isEmpty());
        QVERIFY(services_->dialogs.calls.empty());  // the caller reports it
    }

    // The program's own surface on the current printer: a printer writing files gets one numbered
    // file per form and never replaces one; a printer that cannot start is reported.
    void currentPrinterWritingFiles() {
        setPrinterSurfaceFactory({});
        QTemporaryDir dir;
        QPrinter& printer = currentPrinter();
        const QString previous = printer.outputFileName();
        printer.setOutputFileName(dir.filePath(QStringLiteral("forms.pdf")));
        QCOMPARE(PrintRemittance(sampleForm(), nullptr).status, PrintStatus::Printed);
        QCOMPARE(PrintRemittance(sampleForm(), nullptr).status, PrintStatus::Printed);
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("forms.pdf"))));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("forms-2.pdf"))));

        printer.setOutputFileName(QStringLiteral("/nonexistent-folder/forms.pdf"));
        const PrintResult result = PrintRemittance(sampleForm(), nullptr);
        QCOMPARE(result.status, PrintStatus::Failed);
        QVERIFY(result.reason.contains(QStringLiteral("/nonexistent-folder/forms.pdf")));
        printer.setOutputFileName(previous);
    }

    // An amount the nine boxes cannot hold is refused before any dialog and any output.
    void amountTooLargeIsRefused_data() {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<bool>("refused");
        QTest::newRow("largest that fits") << "\uFFE59999999.99" << false;
        QTest::newRow("ten million") << "\uFFE510000000.00" << true;
        QTest::newRow("negative") << "\uFFE5-5.00" << true;
        QTest::newRow("empty") << "" << false;
    }
    void amountTooLargeIsRefused() {
        QFETCH(QString, amount);
        QFETCH(bool, refused);
        appState().AskPrinter = kAskPrinterYes;
        FormContent form = sampleForm();
        form.text[6] = amount;
        const PrintResult result = PrintRemittance(form, nullptr);
        QCOMPARE(result.status, refused ? PrintStatus::Refused : PrintStatus::Printed);
        QCOMPARE(result.reason.isEmpty(), !refused);
        QCOMPARE(documents_.empty(), refused);
        QCOMPARE(services_->dialogs.calls.empty(), refused);
    }

    // The calibration: the printer dialog every time, then the question, the rectangle on Yes, and
    // CollateForm opened after every path with the stored texts unchanged.
    void calibration_data() {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("questions");
        QTest::addColumn<bool>("printed");
        QTest::addColumn<QString>("stored");  // X and Y in the store; "" for a store without them
        QTest::newRow("cancelled dialog") << false << true << 0 << false << u"13.5|11"_s;
        QTest::newRow("answer No") << true << false << 1 << false << u"13.5|11"_s;
        QTest::newRow("answer Yes") << true << true << 1 << true << u"13.5|11"_s;
        QTest::newRow("nothing stored") << false << true << 0 << false << QString();
    }
    void calibration() {
        QFETCH(bool, accept);
        QFETCH(bool, yes);
        QFETCH(int, questions);
        QFETCH(bool, printed);
        QFETCH(QString, stored);
        services_.reset();  // a store without values
        services_ = std::make_unique<test::TestServices>();
        const QStringList xy = stored.split(QLatin1Char('|'));
        if (!stored.isEmpty()) {
            store(xy[0], xy[1]);
        }
        appState().AskPrinter = 0;  // the calibration asks whatever the flag says
        services_->dialogs.printerAnswers = {accept};
        services_->dialogs.questionAnswers = {yes};
        PrintCalibration(nullptr);

        const auto& calls = services_->dialogs.calls;
        QCOMPARE(calls.front().kind, Kind::Printer);
        QCOMPARE(int(calls.size()), 1 + questions);
        if (questions) {
            QCOMPARE(calls[1].kind, Kind::Question);
            QCOMPARE(calls[1].text, kQuestion);
            QCOMPARE(calls[1].title, QStringLiteral("打印位置校验"));
        }
        QCOMPARE(documents_.size(), std::size_t(printed ? 1 : 0));
        if (printed) {
            const auto& document = documents_.front();
            QCOMPARE(document.size(), std::size_t(2));
            QCOMPARE(document[0].kind, RecordingSurface::Kind::FillRectangle);
            QCOMPARE(float(document[0].x), 566.928f);
            QCOMPARE(float(document[0].y), 566.928f);
            QCOMPARE(float(document[0].x2), 1133.856f);
            QCOMPARE(float(document[0].y2), 1133.856f);
            QCOMPARE(document[1].kind, RecordingSurface::Kind::EndDocument);
        }

        CollateDialog* dialog = WindowRegistry::instance().loaded<CollateDialog>();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->isModal());
        QCOMPARE(dialog->Txy(0)->text(), xy.value(0));
        QCOMPARE(dialog->Txy(1)->text(), xy.value(1));
    }

    // Again while the dialog is open: the same dialog, both boxes refilled from the store.
    void calibrationAgainRefills() {
        services_->dialogs.printerAnswers = {false, false};
        PrintCalibration(nullptr);
        CollateDialog* first = WindowRegistry::instance().loaded<CollateDialog>();
        first->Txy(0)->setText(QStringLiteral("25"));
        first->Txy(1)->setText(QStringLiteral("3"));
        PrintCalibration(nullptr);
        QCOMPARE(WindowRegistry::instance().loaded<CollateDialog>(), first);
        QCOMPARE(first->Txy(0)->text(), QStringLiteral("10"));
        QCOMPARE(first->Txy(1)->text(), QStringLiteral("10"));
    }

    // A figure that cannot be printed is reported; the dialog still opens.
    void calibrationFailureIsReported() {
        failToStart_ = true;
        services_->dialogs.printerAnswers = {true};
        services_->dialogs.questionAnswers = {true};
        PrintCalibration(nullptr);
        const QStringList messages = services_->dialogs.messages();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.front().contains(QStringLiteral("校验图形没有打印出来")));
        QVERIFY(WindowRegistry::instance().loaded<CollateDialog>());
    }
};

QTEST_MAIN(TestPrintRun)
#include "test_print_run.moc"
