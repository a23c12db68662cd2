// The rules below the windows: numbers and amounts, the form check, the import and its cleaning, the
// calibration store, the batch plan and the print run.

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <limits>

#include "amount.h"
#include "calibration.h"
#include "form_check.h"
#include "import.h"
#include "num_key_filter.h"
#include "number_text.h"
#include "pdf_document.h"
#include "print_plan.h"
#include "rounding.h"
#include "test_services.h"

using namespace velmora;
using velmora::test::RecordingDestination;

namespace {

constexpr qint64 kNone = -1;  // an optional holding nothing

// A batch grid whose data rows are written "name/address/postcode/amount", joined by "|"; column 0
// holds the row numbers, column 5 is one more than the batch has.
MemoryGrid GridOf(const QString& records, int rows = 11) {
    MemoryGrid grid(rows, 6);
    const QStringList list = records.split(u'|');
    for (int r = 1; r < rows; ++r) {
        grid.setText(r, 0, QString::number(r));
        const QStringList cells = r <= list.size() ? list[r - 1].split(u'/') : QStringList();
        for (int c = 0; c < cells.size(); ++c) {
            grid.setText(r, c + 1, cells[c]);
        }
    }
    return grid;
}

QString RowsOf(const Grid& grid, int count) {
    QStringList rows;
    for (int r = 1; r <= count; ++r) {
        rows << QStringList{grid.text(r, 1), grid.text(r, 2), grid.text(r, 3), grid.text(r, 4)}.join(u'/');
    }
    return rows.join(u'|');
}

FormContent FormOf(const QString& payee, const QString& postcode, const QString& amount) {
    FormContent form;
    form.text(Field::PayeeName) = payee;
    form.text(Field::PayeePostcode) = postcode;
    form.text(Field::Amount) = amount;
    return form;
}

// The fields of the notes by index: "0,4,6" for payee name, payee postcode and amount.
QString FieldsOf(const std::vector<FieldNote>& notes) {
    QStringList fields;
    for (const FieldNote& n : notes) {
        fields << QString::number(indexOf(n.field));
    }
    return fields.join(u',');
}

QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(file.fileName()));
    }
    return file.fileName();
}

QString U(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace

class TestRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Number text, leading number and rounding, as every window and the renderer use them.
    void numbers() {
        const std::pair<double, const char*> texts[] = {
            {0, " 0"},        {0.5, " .5"},       {3, " 3"},
            {-2.5, "-2.5"},   {-0.25, "-.25"},    {1e15, " 1E+15"},
            {1e-5, " 1E-05"}, {0.0001, " .0001"}, {1.0 / 3, " .333333333333333"}};
        for (const auto& [value, text] : texts) {
            QCOMPARE(NumberText(value), U(text));
            QCOMPARE(TrimmedNumberText(value), U(text).mid(*text == ' ' ? 1 : 0));
        }
        QCOMPARE(NumberText(123456789012345), QStringLiteral(" 123456789012345"));
        const double max = std::numeric_limits<double>::max();
        const std::pair<const char*, double> leading[] = {
            {"12.3.4", 12.3},   {"1,000", 1},     {"abc", 0},       {"", 0},
            {" 1 2\t3\n", 123}, {"-3.5元", -3.5}, {"+5", 5},        {".5", 0.5},
            {"-", 0},           {"1E3", 1000},    {"2D-2", 0.02},   {"7E", 7},
            {"1e+2", 100},      {".5E400", max},  {"-1E400", -max}, {"1E-400", 0}};
        for (const auto& [text, value] : leading) {
            QCOMPARE(LeadingNumber(U(text)), value);
        }
        QCOMPARE(LeadingNumber(QStringLiteral("1") + QString(500, u'0') + QStringLiteral("E-100")), max);
        const std::pair<double, double> even[] = {{2.5, 2},    {3.5, 4},  {-2.5, -2},
                                                  {-3.5, -4},  {0.5, 0},  {2.4999, 2},
                                                  {2.5001, 3}, {-0.4, 0}, {1e300, 1e300}};
        for (const auto& [value, rounded] : even) {
            QCOMPARE(RoundHalfEven(value), rounded);
        }
        QCOMPARE(RoundToInt16(32767.4), std::optional<std::int16_t>(32767));
        QCOMPARE(RoundToInt16(-32768.5), std::optional<std::int16_t>(-32768));
        QVERIFY(!RoundToInt16(32767.5) && !RoundToInt16(-32768.6));
        QVERIFY(!RoundToInt32(2147483647.5) && !RoundToInt16(std::numeric_limits<double>::quiet_NaN()));
        QCOMPARE(RoundToInt32(-2147483648.5).value_or(0), std::numeric_limits<std::int32_t>::min());
        QCOMPARE(RoundToLong(-7.5), -8);
        QVERIFY_THROWS_EXCEPTION(RoundingOverflow, RoundToLong(3e9));
        QVERIFY_THROWS_EXCEPTION(RoundingOverflow, RoundToLong(std::numeric_limits<double>::quiet_NaN()));
    }

    // The amount box: FormatAmount, the key filter, and what counts as a plain number.
    void amountBox() {
        const char* rows[][2] = {{"12", "12.00"},   {"12.5", "12.50"},    {"12.345", "12.34"},
                                 {"0.5", ".50"},    {"0.001", ".00"},     {"", "0.00"},
                                 {"abc", "0.00"},   {"￥12.50", "12.50"}, {"1E+16", "1E+16.00"},
                                 {"100", "100.00"}, {"99.999", "99.99"},  {"1.1.1", "1.10"},
                                 {"-3", "-3.00"},   {"￥￥7", "7.00"},    {"-1.999", "-1.99"}};
        for (const auto& [text, amount] : rows) {
            QString argument = U(text);
            QCOMPARE(FormatAmount(argument), U(amount));
            QCOMPARE(argument, U(amount));            // the argument is replaced
            if (argument != QStringLiteral(".00")) {  // which reads as 0 and gives 0.00
                QCOMPARE(FormatAmount(argument), U(amount));
            }
        }
        for (const std::int16_t admitted : {48, 57, 46, 8}) {
            QCOMPARE(NumKeyFilter(admitted), admitted);
        }
        for (const std::int16_t refused : {47, 58, 44, 45, 13, 22, -1, 20013}) {
            QCOMPARE(NumKeyFilter(refused), std::int16_t(0));
        }
        const char* plain[][2] = {
            {"12", "12"},       {"￥ 12.5 ", "12.5"},      {".5", ".5"},    {"12.", "12."},
            {"1,200", "1200"},  {"12,345.60", "12345.60"}, {"-3", "-3"},    {"¥7", "7"},
            {"12元", "none"},   {"壹仟元", "none"},        {"abc", "none"}, {"1,20", "none"},
            {"1,2345", "none"}, {"1.2.3", "none"},         {"", "none"},    {"12 3", "none"}};
        for (const auto& [text, number] : plain) {
            QCOMPARE(PlainAmount(U(text)).value_or(QStringLiteral("none")), U(number));
        }
    }

    // The check, and the amount as it prints and in fen. Problems and warnings are given by field
    // index: 0 payee name, 4 payee postcode, 6 amount.
    void checkForm() {
        using S = const char*;  // batch, payee, postcode, amount, problems, warnings, amount printed, fen
        const std::tuple<bool, S, S, S, S, S, S, qint64> rows[] = {
            {false, "", "", "", "", "", "￥0.00", kNone},
            {true, "张三", "100080", "1,200", "", "", "￥1200.00", 120000},
            {true, "  ", "", "12", "0", "", "￥12.00", 1200},
            {false, "", "", "12", "", "", "￥12.00", 1200},
            {true, "张三", "", "", "6", "", "", kNone},
            {true, "张三", "", "￥", "6", "", "", kNone},
            {false, "", "", "￥ ", "", "", "￥0.00", kNone},
            {false, "", "", "壹仟元", "6", "", "壹仟元", kNone},
            {false, "", "", "12元", "6", "", "12元", kNone},
            {false, "", "", "abc", "6", "", "abc", kNone},
            {false, "", "", "-5", "6", "", "￥-5.00", kNone},
            {false, "", "", "10000000", "6", "", "￥10000000.00", kNone},
            {false, "", "", "9999999.99", "", "", "￥9999999.99", 999999999},
            {false, "", "", "12.345", "", "6", "￥12.34", 1234},
            {false, "", "", "12.340", "", "", "￥12.34", 1234},
            {false, "", "", ".5", "", "", "￥.50", 50},
            {false, "", "", "012.5", "", "", "￥12.50", 1250},
            {true, "张三", "", "0", "", "6", "￥0.00", 0},
            // Fifteen significant digits carry the fen into the yuan: it would print 1234568.00.
            {false, "", "", "1234567.999999999999999", "6", "", "￥1234568.00", 123456799},
            {false, "", "12345", "", "4", "", "￥0.00", kNone},
            {false, "", " 100080 ", "", "", "", "￥0.00", kNone},
            {false, "", "10008a", "", "4", "", "￥0.00", kNone},
            {true, "", "abc", "", "0,4,6", "", "", kNone},
            {false, "一二三四五六七八", "", "", "", "0", "￥0.00", kNone},
            {false, "一二三四五六七", "", "", "", "", "￥0.00", kNone},
        };
        for (const auto& [batch, payee, postcode, amount, problems, warnings, printed, fen] : rows) {
            const CheckedForm checked = CheckForm(FormOf(U(payee), U(postcode), U(amount)),
                                                  batch ? FormSource::Batch : FormSource::Typed);
            QCOMPARE(FieldsOf(checked.problems), U(problems));
            QCOMPARE(FieldsOf(checked.warnings), U(warnings));
            QCOMPARE(checked.printable(), !*problems);
            QCOMPARE(checked.form.text(Field::Amount), U(printed));
            QCOMPARE(checked.form.text(Field::PayeeName), U(payee));
            QCOMPARE(AmountInFen(U(amount)).value_or(kNone), fen);
        }
        QCOMPARE(MoneyText(2568050) + MoneyText(5) + MoneyText(999999999),
                 QStringLiteral("￥25,680.50￥0.05￥9,999,999.99"));
        FormContent blank = FormOf(QStringLiteral("  "), {}, {});
        blank.text(Field::RemitterName) = QStringLiteral("李四");  // not one of the batch fields
        QVERIFY(IsBlankRecord(blank) && !IsBlankRecord(FormOf({}, {}, QStringLiteral("0"))));
    }

    // Column letters, the cleaning rules and the count handed to the main window.
    void columnsAndCleaning() {
        const std::pair<const char*, int> numbers[] = {{"A", 1},    {"Z", 26},  {"AA", 27}, {"AZ", 52},
                                                       {"IV", 256}, {" B ", 2}, {"", 0},    {"ABC", 0},
                                                       {"a", 33},   {"中", 0}};
        for (const auto& [letters, number] : numbers) {
            QCOMPARE(ColumnNumber(U(letters)), std::int16_t(number));
        }
        const std::pair<int, const char*> names[] = {{1, "A"},    {26, "Z"},    {27, "AA"},     {52, "AZ"},
                                                     {702, "ZZ"}, {703, "AAA"}, {16384, "XFD"}, {0, ""}};
        for (const auto& [number, letters] : names) {
            QCOMPARE(ColumnLetters(number), U(letters));
        }

        const std::tuple<int, int, const char*, const char*> rows[] = {
            // rule, row count, before, after
            {3, 3, "P1///1|P2///|P3///3", "P1///1|P3///3|///"},
            {0, 6, "A/a/1/1|/b/2/2|B/c/3/3|/d//|/e//|C/f/6/6", "A/a/1/1|B/c/3/3|C/f/6/6|///|///|///"},
            {1, 3, "A/a//|B///|C/c//", "A/a//|C/c//|///"},
            {2, 2, "A//1/|B///", "A//1/|///"},
            {3, 2, "A///|B///", "///|///"},
            {0, 2, "A///|/x//|B///", "A///|///|B///"},  // never past the row count
            {4, 2, "A///|///", "A///|///"},
            {-1, 2, "///|A///", "///|A///"},
        };
        for (const auto& [rule, rowCount, before, after] : rows) {
            MemoryGrid grid = GridOf(U(before));
            CleanRows(grid, rule, rowCount);
            QCOMPARE(RowsOf(grid, int(U(before).count(u'|')) + 1), U(after));
            QCOMPARE(grid.text(2, 0) + grid.text(2, 6), QStringLiteral("2"));  // column 6 is outside
            QCOMPARE(grid.text(11, 1) + grid.text(-1, 1), QString());          // and rows 11 and -1
        }
        const std::pair<const char*, int> counts[] = {
            {"", 0}, {"A/a/1/1|B/b/2/2|///3", 2}, {"A///|///|//100080/", 3}, {"A///|/addr//|///", 2}};
        for (const auto& [records, count] : counts) {
            QCOMPARE(HandOverCount(GridOf(U(records))), count);
        }
    }

    void readWorkbook() {
        QTemporaryDir dir;
        // Blank rows 3 and 5 to 8: the fifth ends the import before row 9.
        const QString path = Write(dir, QStringLiteral("batch.csv"),
                                   "name,postcode,address,amount\n 张三 ,100080,Beijing,12.5\n,,,\n"
                                   "Li,200000,Shanghai,7\n,,,\n,,,\n,,,\n,,,\nWang,300000,Tianjin,1\n");
        MemoryGrid grid(501, 5);
        ImportOutcome outcome = ReadWorkbook({path, QStringLiteral("sheet1")}, grid);
        QCOMPARE(outcome.error, 0);
        QCOMPARE(RowsOf(grid, 4), QStringLiteral("张三/Beijing/100080/12.5|///|Li/Shanghai/200000/7|///"));
        QCOMPARE(outcome.rowsRead, 7);
        QCOMPARE(outcome.blankRows, 5);
        QCOMPARE(outcome.unreadRow, 9);
        QCOMPARE(UnreadDataNotice(outcome),
                 QStringLiteral("已读入 2 个收款人，另有 5 个空行（工作表第 2～8 行），读到第五个空行即停止。"
                                "工作表第 9 行起还有数据未读入！"));

        QByteArray many;  // nothing blank: reading ends at grid row 500
        for (int r = 1; r <= 600; ++r) {
            many += "P" + QByteArray::number(r) + ",1,a,1\n";
        }
        outcome = ReadWorkbook({Write(dir, QStringLiteral("many.csv"), many), QStringLiteral("x")}, grid);
        QCOMPARE(outcome.rowsRead, 500);
        QCOMPARE(grid.text(500, 1), QStringLiteral("P501"));
        QCOMPARE(UnreadDataNotice(outcome),
                 QStringLiteral("已读入 500 个收款人（工作表第 2～501 行），最多读入 500 "
                                "行。工作表第 502 行起还有数据未读入！"));

        // First data row 0 names row 0: the data area is blanked before that fails.
        ScriptedDialogs dialogs;
        QCOMPARE(ImportWorkbook({path, QStringLiteral("sheet1"), -1}, grid, dialogs, nullptr),
                 std::int16_t(1004));
        QCOMPARE(dialogs.messages(), QStringList{QStringLiteral("输入表格列号超界，请重新输入！")});
        QCOMPARE(dialogs.calls[0].title + grid.text(1, 1), QString());
        QCOMPARE(ReadWorkbook({path, QStringLiteral("sheet1"), 1, {1, 0, 2, 4}}, grid).error, 1004);
        QCOMPARE(ImportErrorMessage(9), QStringLiteral("输入表格名称有误，无法打开表格，请重新输入！"));
        QCOMPARE(ImportErrorMessage(429), QStringLiteral("未知错误，错误号： 429\u3000请检查输入值！"));
    }

    void calibrationStore() {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("settings.ini"));
        QSettingsStore settings(ini);
        CalibrationStore store(settings);
        QVERIFY(!store.isStored(QStringLiteral("HP")) && store.text(Axis::X).isEmpty());

        store.save({{0.5}, {7.25}});
        store.save({{12.5}, {8}}, QStringLiteral("HP/LaserJet"));
        QSettings raw(ini, QSettings::IniFormat);
        QCOMPARE(raw.value(QStringLiteral("Collate/X")).toString(), QStringLiteral(".5"));
        QCOMPARE(raw.value(QStringLiteral("Collate/Y")).toString(), QStringLiteral("7.25"));
        QCOMPARE(raw.value(QStringLiteral("Collate HP_LaserJet/X")).toString(), QStringLiteral("12.5"));
        const Offsets own = store.read(QStringLiteral("HP/LaserJet")).offsets();
        QCOMPARE(QPointF(own.x.value, own.y.value), QPointF(2.5, -2));
        const Calibration fallback = store.read(QStringLiteral("Other"));  // no pair of its own
        QCOMPARE(QPointF(fallback.x.value, fallback.y.value), QPointF(0.5, 7.25));
        QVERIFY(store.isStored(QStringLiteral("Other")));

        // Texts the program did not write read by their leading number, and show as they stand.
        raw.setValue(QStringLiteral("Collate/X"), QStringLiteral("abc"));
        raw.setValue(QStringLiteral("Collate/Y"), QStringLiteral(" 12.5mm"));
        raw.sync();
        QCOMPARE(QPointF(store.read().offsets().x.value, store.read().y.value), QPointF(-10, 12.5));
        QCOMPARE(store.text(Axis::Y), QStringLiteral(" 12.5mm"));
        QCOMPARE(CalibrationStore::section(QStringLiteral("PDF")), QStringLiteral("Collate PDF"));
        QVERIFY(InCalibrationRange(0) && InCalibrationRange(30));
        QVERIFY(!InCalibrationRange(30.01) && !InCalibrationRange(-0.01));
    }

    // What "全部打印" plans and the batch adds up to, and the names of its documents.
    void printPlan() {
        // 1 decimals cut, 2 blank, 3 not a number, 4 printed before, 5 no payee.
        const MemoryGrid grid = GridOf(QStringLiteral(
            "张三/北京/100080/12.345|///|李四/上海/200000/abc|王五/天津/300000/1,200|/广州//5"));
        const std::vector<RecordState> states{{}, {}, {}, RecordState::Printed};
        FormContent common;
        common.text(Field::RemitterName) = QStringLiteral("汇款人");
        PrintPlan plan = PlanPrint(grid, states, 1, 5, false, common);
        QCOMPARE(plan.records, std::vector<int>{1});
        QCOMPARE(plan.refused.size(), std::size_t(2));
        QCOMPARE(plan.refused[0].record + plan.refused[1].record, 3 + 5);
        QCOMPARE(plan.refused[0].payee, QStringLiteral("李四"));
        QCOMPARE(plan.warnings.size(), std::size_t(1));
        QCOMPARE(plan.blank, 1);
        QCOMPARE(plan.printedBefore, 1);
        QCOMPARE(plan.totalFen, 1234);
        plan = PlanPrint(grid, states, 1, 5, true, common);
        QCOMPARE(plan.records, (std::vector<int>{1, 4}));
        QCOMPARE(plan.totalFen, 121234);
        QCOMPARE(plan.printedBefore, 0);
        plan = PlanPrint(grid, states, 2, 4, false, common);
        QCOMPARE(plan.blank + plan.printedBefore + int(plan.refused.size() + plan.records.size()), 3);

        const FormContent record = RecordForm(grid, 4, common);
        QCOMPARE(record.text(Field::RemitterName) + record.text(Field::PayeeAddress),
                 QStringLiteral("汇款人天津"));
        QCOMPARE(FirstNotPrinted(grid, {RecordState::Printed}, 5), 3);
        QCOMPARE(FirstNotPrinted(GridOf(QStringLiteral("///|A///")), {}, 2), 2);
        QCOMPARE(FirstNotPrinted(grid, std::vector<RecordState>(5, RecordState::Printed), 5), 1);
        QCOMPARE(SummariseBatch(grid, 5, common).text(),
                 QStringLiteral("共 4 个汇款单，合计 ￥1,212.34，2 个不能打印"));
        QCOMPARE(SummariseBatch(grid, 1, common).text(), QStringLiteral("共 1 个汇款单，合计 ￥12.34"));
        const QString forms = QStringLiteral("/tmp/forms.pdf");
        QCOMPARE(NumberedFileName(forms, 3, 20), QStringLiteral("/tmp/forms-03.pdf"));
        QCOMPARE(NumberedFileName(forms, 7, 100), QStringLiteral("/tmp/forms-007.pdf"));
        QCOMPARE(NumberedFileName(forms, 12, 5), QStringLiteral("/tmp/forms-12.pdf"));
        QCOMPARE(NumberedFileName(QStringLiteral("/tmp/v1.d/out"), 1, 2), QStringLiteral("/tmp/v1.d/out-01"));
        QCOMPARE(FormDocument(QStringLiteral("张三"), 3, 20).title, QStringLiteral("汇款单 3/20 张三"));
        QCOMPARE(FormDocument(QStringLiteral("张三")).title, QStringLiteral("汇款单 张三"));
    }

    void printRemittance() {
        enum Output { Printer, ExistingFile, Workbook, FailingPrinter };
        // The printer dialog asked for and accepted, the file replaced, the record, the form, what was
        // asked (P printer dialog, M message, Q question), where it goes and how it ends.
        using S = const char*;
        const std::tuple<bool, bool, bool, int, S, S, S, Output, PrintStatus> rows[] = {
            {true, true, true, 1, "", "12", "", Printer, PrintStatus::Refused},
            {true, true, true, 0, "张三", "壹仟元", "", Printer, PrintStatus::Refused},
            {true, false, true, 0, "张三", "12", "P", Printer, PrintStatus::Cancelled},
            {true, true, true, 0, "张三", "12", "PM", Printer, PrintStatus::Printed},
            {false, false, false, 2, "张三", "12", "", Printer, PrintStatus::Printed},
            {true, true, false, 0, "张三", "12", "PMQ", ExistingFile, PrintStatus::Cancelled},
            {true, true, true, 0, "张三", "12", "PMQ", ExistingFile, PrintStatus::Printed},
            {false, true, true, 1, "张三", "12", "", Workbook, PrintStatus::Failed},
            {false, true, true, 1, "张三", "12", "", FailingPrinter, PrintStatus::Failed},
        };
        for (const auto& [ask, accept, yes, record, payee, amount, asked, output, status] : rows) {
            QTemporaryDir dir;
            const QString workbook = Write(dir, QStringLiteral("batch.xlsx"), "x");
            ScriptedDialogs dialogs;
            dialogs.printerAnswers = {accept};
            dialogs.questionAnswers = {yes};
            RecordingDestination printer;
            printer.file = output == ExistingFile ? Write(dir, QStringLiteral("form.pdf"), "x")
                           : output == Workbook   ? workbook
                                                  : QString();
            printer.failToStart = output == FailingPrinter;
            QStringList calibrated;
            const PrintContext context{.dialogs = &dialogs,
                                       .parent = nullptr,
                                       .printer = printer,
                                       .calibration = [&calibrated](const QString& name) {
                                           calibrated << name;
                                           return Calibration{{12.5}, {8}};
                                       }};
            const PrintResult result = PrintRemittance(FormOf(U(payee), {}, U(amount)), ask, context,
                                                       FormDocument(U(payee), record, 3, workbook));
            QCOMPARE(result.status, status);
            const bool printed = status == PrintStatus::Printed;
            QCOMPARE(result.reason.isEmpty(), printed || status == PrintStatus::Cancelled);
            QString kinds;
            for (const ScriptedDialogs::Call& call : dialogs.calls) {
                kinds += QStringLiteral("PMQ").at(int(call.kind));
            }
            QCOMPARE(kinds, U(asked));
            QCOMPARE(printer.documents.size(), std::size_t(printed || output == FailingPrinter ? 1 : 0));
            if (printed) {
                QCOMPARE(calibrated, QStringList{output == Printer ? QStringLiteral("Recorder") : QString()});
                // Drawn as checked, with the offsets 2.5 and -2 mm: the amount normalised.
                QStringList placed;
                for (const RecordingSurface::Call& call : printer.documents[0]) {
                    if (call.kind == RecordingSurface::Kind::TextOut) {
                        placed << QStringLiteral("%1,%2:%3").arg(call.x).arg(call.y).arg(call.text);
                    }
                }
                QCOMPARE(placed.mid(0, 2), (QStringList{U("874,780:张三"), U("3484,1016:     1200")}));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestRules)
#include "test_rules.moc"
