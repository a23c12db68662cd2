// Rendering speed: a batch of 500 forms (the most a workbook import gives) drawn to PDF, as one file
// of 500 pages and as 500 files of one page (what "全部打印" does on a printer writing files), each
// checked as every print is.
// Target: 500 forms in under 2 s.

#include <benchmark/benchmark.h>

#include <QDir>
#include <QGuiApplication>
#include <QPrinter>
#include <QTemporaryDir>

#include "draw_remittance.h"
#include "fonts.h"
#include "pdf_document.h"
#include "print_run.h"
#include "recording_surface.h"
#include "render_forms.h"

using namespace velmora;

namespace {

constexpr int kBatch = 500;

std::vector<FormContent> batch() {
    std::vector<FormContent> forms(kBatch);
    for (int k = 0; k < kBatch; ++k) {
        FormContent& form = forms[k];
        form.texts = {QStringLiteral("收款人%1").arg(k),
                      QStringLiteral("汇款人"),
                      QStringLiteral("北京市海淀区中关村大街%1号院二号楼三单元四〇一室").arg(k),
                      QStringLiteral("上海市浦东新区世纪大道一百号"),
                      QStringLiteral("100080"),
                      QStringLiteral("200120"),
                      QStringLiteral("\uFFE5%1.50").arg(100 + k),
                      QStringLiteral("13800000000"),
                      QStringLiteral("生日快乐，万事如意，身体健康")};
        for (const Tick tick : {Tick::Express, Tick::SmsReceipt, Tick::MessageAttached}) {
            form.check(tick) = CheckValue::Ticked;
        }
    }
    return forms;
}

void BM_RenderBatchToOnePdf(benchmark::State& state) {
    const std::vector<FormContent> forms = batch();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("batch.pdf"));
    for (auto _ : state) {
        const RenderReport report = RenderFormsToPdf(forms, path, {});
        if (report.status != PrintStatus::Printed) {
            state.SkipWithError("rendering failed");
            break;
        }
    }
    state.counters["forms"] = kBatch;
    state.counters["bytes"] = double(QFileInfo(path).size());
}
BENCHMARK(BM_RenderBatchToOnePdf)->Unit(benchmark::kMillisecond)->MinTime(5);

void BM_PrintBatchAsDocuments(benchmark::State& state) {
    const std::vector<FormContent> forms = batch();
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFileName(dir.filePath(QStringLiteral("form.pdf")));
        printer.setResolution(600);
        printer.setPageLayout(FullPageA4());
        QPrinterDestination destination(printer);
        const PrintContext context{nullptr, nullptr, destination, [](const QString&) {
                                       return Calibration{{10}, {10}};
                                   }};
        state.ResumeTiming();
        for (int k = 0; k < kBatch; ++k) {
            DocumentInfo info = FormDocument(forms[std::size_t(k)].text(Field::PayeeName), k + 1, kBatch);
            info.numberedFile = true;
            if (PrintRemittance(forms[std::size_t(k)], false, context, info).status != PrintStatus::Printed) {
                state.SkipWithError("printing failed");
                return;
            }
        }
        state.PauseTiming();
        dir.remove();
        state.ResumeTiming();
    }
    state.counters["forms"] = kBatch;
}
BENCHMARK(BM_PrintBatchAsDocuments)->Unit(benchmark::kMillisecond)->MinTime(5);

// The layout alone, on the recording surface.
void BM_LayOutBatch(benchmark::State& state) {
    const std::vector<FormContent> forms = batch();
    for (auto _ : state) {
        for (const FormContent& form : forms) {
            test::RecordingSurface surface(600);
            DrawRemittance(form, {}, surface);
            benchmark::DoNotOptimize(surface.calls.data());
        }
    }
    state.counters["forms"] = kBatch;
}
BENCHMARK(BM_LayOutBatch)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    installSongFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
