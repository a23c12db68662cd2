// Start-up and memory, measured on the real program's start-up path in a child process:
// - StartupToFirstPaint: from starting the process to the main window's first paint (target under 0.3 s);
// - ResidentWithBatch: resident memory once a 500-record batch is imported and handed to the main
//   window, as an operator would through fOpen and 表格 (target under 120 MiB).
// The child uses the offscreen platform unless a display is set. Linux: memory is read from /proc.

#include <benchmark/benchmark.h>
#include <xlsxwriter.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTimer>
#include <cstdio>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app/window_registry.h"
#include "batch/batch_window.h"
#include "batch/open_workbook_dialog.h"

using namespace velmora;

namespace {

// The resident set size of this process in KiB.
long residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    return -1;
}

// Reports the first paint of a window on standard output.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(std::function<void()> then) : then_(std::move(then)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && then_) {
            std::printf("painted\n");
            std::fflush(stdout);
            QTimer::singleShot(0, std::exchange(then_, nullptr));
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> then_;
};

// The child: the program's own start-up; with a workbook, the batch import and hand-over after it.
int session(int argc, char** argv, const QString& workbook) {
    QApplication app(argc, argv);
    PrepareApplication();
    FirstPaint* watcher = nullptr;
    auto afterPaint = [&workbook] {
        if (workbook.isEmpty()) {
            QCoreApplication::quit();
            return;
        }
        auto* dialog = WindowRegistry::instance().window<OpenWorkbookDialog>();
        dialog->Text1(0)->setText(workbook);
        dialog->command2Click(0);
        auto* poll = new QTimer(qApp);
        QObject::connect(poll, &QTimer::timeout, [poll] {
            auto* batch = WindowRegistry::instance().loaded<BatchWindow>();
            if (!batch || appState().ImportDone != 1 || appState().RowCount < 500) {
                return;
            }
            poll->stop();
            batch->command1Click(1);
            auto* main = WindowRegistry::instance().loaded<MainWindow>();
            std::printf("records %s\nrss %ld\n", qPrintable(main->Num(1)->text().trimmed()), residentKiB());
            std::fflush(stdout);
            QCoreApplication::quit();
        });
        poll->start(5);
    };
    watcher = new FirstPaint(afterPaint);
    MainWindow* window = ShowMainWindow();
    window->installEventFilter(watcher);
    const int result = QApplication::exec();
    WindowRegistry::instance().destroyAll();
    delete watcher;
    return result;
}

QProcess* startChild(const QStringList& arguments) {
    auto* child = new QProcess;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("DISPLAY")) &&
        !environment.contains(QStringLiteral("QT_QPA_PLATFORM"))) {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    child->setProcessEnvironment(environment);
    child->start(QCoreApplication::applicationFilePath(),
                 QStringList{QStringLiteral("--session")} + arguments);
    return child;
}

void StartupToFirstPaint(benchmark::State& state) {
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        std::unique_ptr<QProcess> child(startChild({}));
        QByteArray out;
        while (!out.contains("painted") && child->waitForReadyRead(10'000)) {
            out += child->readAllStandardOutput();
        }
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        child->waitForFinished(10'000);
        if (!out.contains("painted")) {
            state.SkipWithError("the main window never painted");
            return;
        }
    }
}
BENCHMARK(StartupToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// A worksheet of 500 payees with Chinese names and addresses, numbers for postcodes and amounts.
QString batchWorkbook() {
    const QString path = QDir::temp().filePath(QStringLiteral("velmora-bench-batch-500.xlsx"));
    lxw_workbook* book = workbook_new(QFile::encodeName(path).constData());
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Sheet1");
    for (int r = 1; r <= 500; ++r) {
        const QByteArray name = QStringLiteral("收款人%1").arg(r).toUtf8();
        const QByteArray address =
            QStringLiteral("江苏省南京市鼓楼区中山北路%1号院%2栋").arg(r).arg(r % 17).toUtf8();
        worksheet_write_string(sheet, static_cast<lxw_row_t>(r), 0, name.constData(), nullptr);
        worksheet_write_number(sheet, static_cast<lxw_row_t>(r), 1, 210000 + r, nullptr);
        worksheet_write_string(sheet, static_cast<lxw_row_t>(r), 2, address.constData(), nullptr);
        worksheet_write_number(sheet, static_cast<lxw_row_t>(r), 3, r * 10.5, nullptr);
    }
    return workbook_close(book) == LXW_NO_ERROR ? path : QString();
}

void ResidentWithBatch(benchmark::State& state) {
    const QString workbook = batchWorkbook();
    if (workbook.isEmpty()) {
        state.SkipWithError("cannot write the batch workbook");
        return;
    }
    long kib = -1;
    QByteArray out;
    for (auto _ : state) {
        std::unique_ptr<QProcess> child(startChild({workbook}));
        child->waitForFinished(60'000);
        out = child->readAllStandardOutput();
    }
    for (const QByteArray& line : out.split('\n')) {
        if (line.startsWith("rss ")) {
            kib = line.mid(4).toLong();
        }
    }
    if (kib <= 0 || !out.contains("records 500")) {
        state.SkipWithError("the batch of 500 records was not handed over");
        return;
    }
    state.counters["rss_MiB"] = static_cast<double>(kib) / 1024.0;
}
BENCHMARK(ResidentWithBatch)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string_view(argv[1]) == "--session") {
        const QString workbook = argc >= 3 ? QString::fromLocal8Bit(argv[2]) : QString();
        return session(argc, argv, workbook);
    }
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
