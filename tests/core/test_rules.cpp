// The rules below the windows: numbers and amounts, the form check, the import and its cleaning, the
// calibration store, the batch plan and the print run.

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <limits>

#include "amount.h"
#include "batch_run.h"
#include "calibration.h"
#include "cases.h"
#include "form_check.h"
#include "import.h"
#include "num_key_filter.h"
#include "number_text.h"
#include "pdf_document.h"
#include "print_plan.h"
#include "recording_surface.h"
#include "rounding.h"
#include "scripted_dialogs.h"
#include "settings_store.h"

using namespace velmora;
using velmora::test::AddRows;
using velmora::test::RecordingDestination;
using velmora::test::RecordingSurface;
using velmora::test::ScriptedDialogs;

namespace {

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

    // The amount box's display step, and the key filter.
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
        QCOMPARE(Money::fromFen(2568050)->text(), QStringLiteral("￥25,680.50"));
        QCOMPARE(Money::fromFen(5)->text(), QStringLiteral("￥0.05"));
        QCOMPARE(Money::fromFen(2568050)->plainText(), QStringLiteral("25680.50"));
        QVERIFY(!Money::fromFen(-1) && !Money::fromFen(1'000'000'000)->fitsForm());
    }

    // rules/amounts.txt: an amount read once, what it is, in fen, how the box shows it, why it is refused.
    void amounts_data() {
        AddRows(QStringLiteral("rules/amounts.txt"), "text:s kind:s fen:l shown:s cut:t refusal:s");
    }
    void amounts() {
        QFETCH(QString, text);
        const AmountReading reading = ReadAmount(text);
        const QStringList kinds = {"Empty", "Amount", "NotNumber", "Negative", "TooLarge"};
        QTEST(kinds.value(int(reading.kind)), "kind");
        QTEST(reading.money.fen(), "fen");
        QTEST(NormalisedAmount(text), "shown");
        QTEST(reading.decimalsCut, "cut");
        QTEST(reading.refusal(), "refusal");
    }

    // rules/checked-forms.txt, the one check: refusals only where the form would print otherwise than
    // the box reads; an empty payee and a postcode that is not six digits are warnings.
    void checkForm_data() {
        AddRows(QStringLiteral("rules/checked-forms.txt"),
                "payee:s postcode:s amount:s problems:s warnings:s printed:s fen:l");
    }
    void checkForm() {
        QFETCH(QString, payee);
        QFETCH(QString, postcode);
        QFETCH(QString, amount);
        const CheckedForm checked = CheckForm(FormOf(payee, postcode, amount));
        QTEST(checked.problemText(), "problems");
        QTEST(checked.warningText(), "warnings");
        QTEST(checked.form.text(Field::Amount), "printed");
        QTEST(checked.amount.fen(), "fen");
        QCOMPARE(checked.form.text(Field::PayeeName), payee);
    }

    // Texts longer than their places on the form: each warned of, with where the rest goes.
    void tooLong() {
        FormContent form = FormOf(U("张三"), {}, U("1"));
        form.text(Field::RemitterName) = QString(8, u'李');
        form.text(Field::PayeeAddress) = QString(51, u'址');
        form.text(Field::RemitterAddress) = QString(51, u'址');
        form.text(Field::Message) = QString(31, u'言');
        QCOMPARE(CheckForm(form).warningText(),
                 U("汇款人姓名有 8 个字，汇款单上只能印 7 个字，其余的会印到下面一栏上；"
                   "收款人地址有 51 个字，汇款单上只能印 50 个字，其余的会超出地址栏；"
                   "汇款人地址有 51 个字，汇款单上只能印 50 个字，其余的会超出地址栏；"
                   "汇款附言有 31 个字，汇款单上只能印 30 个字，其余的会超出附言栏"));
    }

    void blankRecords() {
        FormContent blank = FormOf(QStringLiteral("  "), {}, {});
        blank.text(Field::RemitterName) = QStringLiteral("李四");  // not one of the batch fields
        QVERIFY(IsBlankRecord(blank));
        QVERIFY(!IsBlankRecord(FormOf({}, {}, QStringLiteral("0"))));
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
            QCOMPARE(grid.text(2, 0), QStringLiteral("2"));
            for (const auto& [row, column] : {std::pair{2, 6}, {11, 1}, {-1, 1}}) {  // outside the grid
                QCOMPARE(grid.text(row, column), QString());
            }
        }
        const std::pair<const char*, int> counts[] = {
            {"", 0}, {"A/a/1/1|B/b/2/2|///3", 2}, {"A///|///|//100080/", 3}, {"A///|/addr//|///", 2}};
        for (const auto& [records, count] : counts) {
            QCOMPARE(HandOverCount(GridOf(U(records))), count);
        }
        MemoryGrid full = GridOf({}, 501);  // the 500th record, the last the grid holds
        full.setText(500, 1, U("P500"));
        QCOMPARE(HandOverCount(full), 500);
    }

    // A formula whose result the workbook cannot vouch for refuses its record, naming the field; the
    // doubt moves with its row when rows are cleaned.
    void formulaDoubts() {
        // Rows 2 to 4 of a worksheet whose amounts are formulas, row 3's without a result.
        struct Sheet final : Worksheet {
            int maxRow() const override { return 100; }
            int maxColumn() const override { return 10; }
            QString cellText(int row, int col) override {
                return row > 4 ? QString() : col == 1 ? QStringLiteral("P%1").arg(row) : QStringLiteral("5");
            }
            bool isUncomputedFormula(int row, int col) override { return row == 3 && col == 4; }
            int nextRowWithData(int, const std::vector<int>&) override { return 0; }
        };
        struct Book final : Workbook {
            std::unique_ptr<Worksheet> worksheet(const QString&) override {
                return std::make_unique<Sheet>();
            }
            QStringList sheetNames() const override { return {}; }
        };
        MemoryGrid grid(501, 5);
        ImportOutcome outcome = ImportWorkbook({QStringLiteral("book.xlsx"), QStringLiteral("s")}, grid,
                                               [](const QString&) { return std::make_unique<Book>(); });
        QCOMPARE(outcome.doubts, (CellDoubts{{2, 4}}));
        const PrintPlan plan = PlanPrint(grid, 3, {}, {}, outcome.doubts);
        QCOMPARE(plan.records, (std::vector<int>{1, 3}));
        QCOMPARE(plan.refused.size(), std::size_t(1));
        QCOMPARE(plan.refused[0].text,
                 QStringLiteral("汇款金额是公式，工作簿里没有算好的结果，请在表格程序中打开并保存后再导入"));
        grid.setText(1, 1, QString());
        CleanRows(grid, 0, 3, &outcome.doubts);
        QCOMPARE(outcome.doubts, (CellDoubts{{1, 4}}));
        QCOMPARE(grid.text(1, 1), QStringLiteral("P3"));
    }

    void readWorkbook() {
        QTemporaryDir dir;
        // Blank rows 3 and 5 to 8: the fifth ends the import before row 9.
        const QString path = Write(dir, QStringLiteral("batch.csv"),
                                   "name,postcode,address,amount\n 张三 ,100080,Beijing,12.5\n,,,\n"
                                   "Li,200000,Shanghai,7\n,,,\n,,,\n,,,\n,,,\nWang,300000,Tianjin,1\n");
        MemoryGrid grid(501, 5);
        ImportOutcome outcome = ImportWorkbook({path, QStringLiteral("sheet1")}, grid);
        QCOMPARE(outcome.error, 0);
        QCOMPARE(RowsOf(grid, 4), QStringLiteral("张三/Beijing/100080/12.5|///|Li/Shanghai/200000/7|///"));
        QCOMPARE((std::tuple{outcome.rowsRead, outcome.blankRows, outcome.unreadRow}), (std::tuple{7, 5, 9}));
        QCOMPARE(
            UnreadDataNotice(outcome),
            QStringLiteral("已读入 2 个收款人，另有 5 个空行（工作表第 2～8 行），读到第 5 个空行即停止。"
                           "工作表第 9 行起还有数据未读入！"));

        QByteArray many;  // nothing blank: reading ends at grid row 500
        for (int r = 1; r <= 600; ++r) {
            many += "P" + QByteArray::number(r) + ",1,a,1\n";
        }
        outcome = ImportWorkbook({Write(dir, QStringLiteral("many.csv"), many), QStringLiteral("x")}, grid);
        QCOMPARE(outcome.rowsRead, 500);
        QCOMPARE(grid.text(500, 1), QStringLiteral("P501"));
        QCOMPARE(UnreadDataNotice(outcome),
                 QStringLiteral("已读入 500 个收款人（工作表第 2～501 行），最多读入 500 "
                                "行。工作表第 502 行起还有数据未读入！"));

        // First data row 0 names row 0: the data area is blanked before that fails.
        outcome = ImportWorkbook({path, QStringLiteral("sheet1"), -1}, grid);
        QCOMPARE(outcome.result(), std::int16_t(1004));
        QCOMPARE(outcome.message, QStringLiteral("输入表格列号超界，请重新输入！"));
        QCOMPARE(grid.text(1, 1), QString());
        QCOMPARE(ImportWorkbook({path, QStringLiteral("sheet1"), 1, {1, 0, 2, 4}}, grid).error, 1004);
        QCOMPARE(ImportErrorMessage(9), QStringLiteral("输入表格名称有误，无法打开表格，请重新输入！"));
        // Every number outside the five conditions gets the one generic message.
        for (const int number : {429, 14, 70}) {
            QCOMPARE(ImportErrorMessage(number),
                     QStringLiteral("未知错误，错误号： %1\u3000请检查输入值！").arg(number));
        }
        // A CSV file of no coding says where, after the message.
        outcome = ImportWorkbook(
            {Write(dir, QStringLiteral("bad.csv"), "a,b\n\xff\xff\n"), QStringLiteral("x")}, grid);
        QCOMPARE(outcome.message,
                 QStringLiteral("文件类型不对，请选择Excel文档！\nCSV 文件第 2 行既不是 UTF-8 也不是 "
                                "GB18030 编码的文字。"));
        outcome.error = 70000;
        QCOMPARE(outcome.result(), std::int16_t(32767));
    }

    // The calibration as stored: "Collate" on every save, a named printer's own pair beside it.
    void calibrationStore() {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("settings.ini"));
        QSettingsStore settings(ini);
        CalibrationStore store(settings);
        QVERIFY(!store.reading(QStringLiteral("HP")).stored && store.text(Axis::X).isEmpty());

        store.save({{0.5}, {7.25}});
        store.save({{12.5}, {8}}, QStringLiteral("HP/LaserJet"));
        QSettings raw(ini, QSettings::IniFormat);
        QCOMPARE(raw.value(QStringLiteral("Collate/X")).toString(), QStringLiteral("12.5"));
        QCOMPARE(raw.value(QStringLiteral("Collate/Y")).toString(), QStringLiteral("8"));
        QCOMPARE(raw.value(QStringLiteral("Collate HP_LaserJet/X")).toString(), QStringLiteral("12.5"));
        store.save({{0.5}, {7.25}});
        const Offsets own = store.read(QStringLiteral("HP/LaserJet")).offsets();
        QCOMPARE((std::pair{own.x.value, own.y.value}), (std::pair{2.5, -2.0}));
        const CalibrationReading fallback = store.reading(QStringLiteral("Other"));  // no pair of its own
        QCOMPARE((std::pair{fallback.value.x.value, fallback.value.y.value}), (std::pair{0.5, 7.25}));
        QVERIFY(fallback.stored && fallback.problem.isEmpty());

        // A stored text that is no distance from 0 to 30 is never used.
        raw.setValue(QStringLiteral("Collate/X"), QStringLiteral("500"));
        raw.sync();
        QCOMPARE(store.reading().problem,
                 QStringLiteral("设置中保存的打印机校准值 X=“500”不是 0～30 之间的数字，汇款单不能按它打印。"
                                "请按“打印机校准”重新输入校准值。"));
        QCOMPARE(store.text(Axis::X), QStringLiteral("500"));
        QCOMPARE(CalibrationStore::section(QStringLiteral("PDF")), QStringLiteral("Collate PDF"));
    }

    // What the offsets dialog takes: a leading number from 0 to 30, nothing else.
    void calibrationEntry_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");  // -1: refused
        const std::pair<const char*, double> rows[] = {
            {"0", 0},    {"30", 30},     {"30.01", -1},  {"31", -1}, {"12.5", 12.5},
            {".5", 0.5}, {"05.50", 5.5}, {"1.2.3", 1.2}, {"", -1},   {"abc", -1},
            {".", -1},   {"-5", -1},     {" 7 ", 7},     {"+2", 2}};
        for (const auto& [text, value] : rows) {
            QTest::newRow(*text ? text : "empty") << U(text) << value;
        }
    }
    void calibrationEntry() {
        QFETCH(QString, text);
        QTEST(CalibrationEntry(text).value_or(-1), "value");
    }

    // What "全部打印" plans, the one question when something is wrong, and what a batch adds up to.
    void printPlan() {
        // 1 decimals cut, 2 blank, 3 not a number, 4 printed before, 5 no payee.
        const MemoryGrid grid = GridOf(QStringLiteral(
            "张三/北京/100080/12.345|///|李四/上海/200000/abc|王五/天津/300000/1,200|/广州//5"));
        FormContent common;
        common.text(Field::RemitterName) = QStringLiteral("汇款人");
        QStringList asked;
        const PrintedBefore before = [&asked](int record, const CheckedForm& form) {
            asked << QStringLiteral("%1:%2").arg(record).arg(form.form.text(Field::RemitterName));
            return record == 4 ? QStringLiteral("已发送") : QString();
        };
        const PrintPlan plan = PlanPrint(grid, 5, common, before);
        QCOMPARE(asked, (QStringList{U("1:汇款人"), U("4:汇款人"), U("5:汇款人")}));
        QCOMPARE(plan.records, (std::vector<int>{1, 5}));
        QCOMPARE(plan.withReprints(), (std::vector<int>{1, 4, 5}));
        QCOMPARE(plan.refused.size(), std::size_t(1));
        QCOMPARE(plan.refused[0].record, 3);
        QCOMPARE((std::tuple{plan.printedBefore.size(), plan.blank, plan.total.fen(),
                             plan.printedBeforeTotal.fen()}),
                 (std::tuple{std::size_t(1), 1, qint64(1734), qint64(120000)}));
        QVERIFY(!plan.clean());
        QCOMPARE(
            PlanQuestion(plan, 2),
            U("以下 1 个汇款单不能打印：\n第 3 个（李四）：汇款金额“abc”不是数字\n\n"
              "以下 1 个汇款单已经打印过，这次不再打印：\n第 4 个（王五）：已发送\n\n"
              "第 2 个汇款单在主窗口中的修改不会打印，请在批量数据中修改\n\n"
              "请注意：\n第 1 个（张三）：汇款金额“12.345”有两位以上小数，将打印为 ￥12.34（不四舍五入）\n"
              "第 5 个（）：收款人姓名是空的\n\n"
              "其余 2 个汇款单可以打印，合计 ￥17.34。"));
        QVERIFY(PlanPrint(GridOf(QStringLiteral("A/a/1/1|B/b/2/2")), 2, common, {}).clean());

        const FormContent record = RecordForm(grid, 4, common);
        QCOMPARE(record.text(Field::RemitterName), QStringLiteral("汇款人"));
        QCOMPARE(record.text(Field::PayeeAddress), QStringLiteral("天津"));
        QCOMPARE(record.text(Field::PayeePostcode), QStringLiteral("300000"));
        QCOMPARE(SummariseBatch(grid, 5, common).text(),
                 QStringLiteral("共 4 个汇款单，合计 ￥1,217.34，1 个不能打印"));
        QCOMPARE(SummariseBatch(grid, 1, common).text(), QStringLiteral("共 1 个汇款单，合计 ￥12.34"));
        const QString forms = QStringLiteral("/tmp/forms.pdf");
        QCOMPARE(NumberedFileName(forms, 3, 20), QStringLiteral("/tmp/forms-03.pdf"));
        QCOMPARE(NumberedFileName(forms, 7, 100), QStringLiteral("/tmp/forms-007.pdf"));
        QCOMPARE(NumberedFileName(forms, 12, 5), QStringLiteral("/tmp/forms-12.pdf"));
        QCOMPARE(NumberedFileName(QStringLiteral("/tmp/v1.d/out"), 1, 2), QStringLiteral("/tmp/v1.d/out-01"));
        QCOMPARE(FormDocument(QStringLiteral("张三"), 3, 20).title, QStringLiteral("汇款单 3/20 张三"));
        QCOMPARE(FormDocument(QStringLiteral("张三")).title, QStringLiteral("汇款单 张三"));
    }

    // rules/batch-runs.txt, the batch run as values: each record shown then printed, a failure or a stop
    // ends it there, and a resumed run prints only what is left.
    void batchRun_data() {
        AddRows(QStringLiteral("rules/batch-runs.txt"),
                "failAt:i refuseAt:i stopAfter:i unshownAt:i outcomes:s steps:s");
    }
    void batchRun() {
        QFETCH(int, failAt);
        QFETCH(int, refuseAt);
        QFETCH(int, stopAfter);
        QFETCH(int, unshownAt);
        const std::vector<int> records{2, 4, 5, 7};
        QString steps;
        int printed = 0;
        BatchRunSteps run;
        run.show = [&](int record) {
            steps += QStringLiteral("s%1").arg(record);
            return record != unshownAt;
        };
        run.print = [&](int record) {
            steps += QStringLiteral("p%1").arg(record);
            if (record == failAt) {
                return PrintResult{PrintStatus::Failed, QStringLiteral("打印机拒绝")};
            }
            if (record == refuseAt) {
                return PrintResult{PrintStatus::Refused, QStringLiteral("汇款金额为零")};
            }
            ++printed;
            return PrintResult{};
        };
        run.stopRequested = [&] { return stopAfter > 0 && printed >= stopAfter; };
        const BatchRunReport report = RunBatch(records, run);
        QString outcomes;
        for (const int record : records) {
            outcomes += QStringLiteral("PFR-").at(int(report.outcomeOf(record)));
        }
        QTEST(outcomes, "outcomes");
        QTEST(steps, "steps");
        QCOMPARE(report.printed, printed);
        const int failed = failAt ? failAt : refuseAt ? refuseAt : unshownAt;
        QCOMPARE(report.failedAt, failed);
        QCOMPARE(report.failure.status == PrintStatus::Printed, failed == 0);
        QCOMPARE(report.stoppedAt, stopAfter > 0 && stopAfter < 4 ? records[std::size_t(stopAfter)] : 0);
        // Resumed: the records not printed, and only those, print the second time.
        std::vector<int> rest;
        for (const BatchRunReport::Item& item : report.items) {
            if (item.outcome != RecordOutcome::Printed) {
                rest.push_back(item.record);
            }
        }
        failAt = refuseAt = unshownAt = stopAfter = 0;
        steps.clear();
        const BatchRunReport resumed = RunBatch(rest, run);
        QCOMPARE(resumed.printed + report.printed, 4);
        QCOMPARE(resumed.failedAt + resumed.stoppedAt, 0);
    }

    // rules/print-remittance.txt: one form through the printer dialog, the questions and the printer.
    void printRemittance_data() {
        AddRows(QStringLiteral("rules/print-remittance.txt"),
                "ask:t accept:t yes:t calibrated:t record:i amount:s output:i asked:s status:s");
    }
    void printRemittance() {
        QFETCH(bool, ask);
        QFETCH(bool, accept);
        QFETCH(bool, yes);
        QFETCH(bool, calibrated);
        QFETCH(int, record);
        QFETCH(QString, amount);
        QFETCH(int, output);
        QFETCH(QString, status);
        QTemporaryDir dir;
        const QString workbook = Write(dir, QStringLiteral("batch.xlsx"), "x");
        ScriptedDialogs dialogs;
        dialogs.printerAnswers = {accept};
        dialogs.questionAnswers = {yes};
        RecordingDestination printer;
        printer.file = output == 1   ? Write(dir, QStringLiteral("form.pdf"), "x")
                       : output == 2 ? workbook
                                     : QString();
        printer.failToStart = output == 3;
        QStringList names;
        const PrintContext context{
            .dialogs = &dialogs,
            .parent = nullptr,
            .printer = printer,
            .calibration = [&](const QString& name) {
                names << name;
                return calibrated ? CalibrationReading{{{12.5}, {8}}, true, {}} : CalibrationReading{};
            }};
        const QString payee = QStringLiteral("张三");
        const PrintResult result = PrintRemittance(FormOf(payee, {}, amount), ask, context,
                                                   FormDocument(payee, record, 3, workbook));
        const QStringList statuses = {"Printed", "Cancelled", "Failed", "Refused"};
        QCOMPARE(statuses.value(int(result.status)), status);
        QCOMPARE(result.calibrateFirst, ask && !calibrated && yes);
        const bool printed = result.status == PrintStatus::Printed;
        QCOMPARE(result.reason.isEmpty(), printed || result.status == PrintStatus::Cancelled);
        QString kinds;
        for (const ScriptedDialogs::Call& call : dialogs.calls) {
            kinds += QStringLiteral("PMQ").at(int(call.kind));
        }
        QTEST(kinds, "asked");
        QCOMPARE(printer.documents.size(), std::size_t(printed || output == 3 ? 1 : 0));
        if (printed && calibrated) {
            QCOMPARE(names.last(), output == 0 ? QStringLiteral("Recorder") : QString());
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
};

QTEST_MAIN(TestRules)
#include "test_rules.moc"
