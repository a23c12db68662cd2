// Rendering speed: a batch of 500 forms (the most a workbook import gives) drawn to PDF, as one file
// of 500 pages and as 500 documents of one page (what "全部打印" does on a printer writing files).
// Target: 500 forms in under 2 s.

#include <benchmark/benchmark.h>

#include <QDir>
#include <QGuiApplication>
#include <QPrinter>
#include <QTemporaryDir>

#include "app/fonts.h"
#include "platform/printer_surface_recording.h"
#include "printing/draw_remittance.h"
#include "printing/render_forms.h"

using namespace velmora;

namespace {

constexpr int kBatch = 500;

std::vector<FormContent> batch() {
    std::vector<FormContent> forms(kBatch);
    for (int k = 0; k < kBatch; ++k) {
        FormContent& form = forms[k];
        form.text = {QStringLiteral("收款人%1").arg(k),
                     QStringLiteral("汇款人"),
                     QStringLiteral("北京市海淀区中关村大街%1号院二号楼三单元四〇一室").arg(k),
                     QStringLiteral("上海市浦东新区世纪大道一百号"),
                     QStringLiteral("100080"),
                     QStringLiteral("200120"),
                     QStringLiteral("\uFFE5%1.50").arg(100 + k),
                     QStringLiteral("13800000000"),
                     QStringLiteral("生日快乐，万事如意，身体健康")};
        form.check = {1, 0, 0, 0, 0, 0, 1, 0, 1};
    }
    return forms;
}

void BM_RenderBatchToOnePdf(benchmark::State& state) {
    const std::vector<FormContent> forms = batch();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("batch.pdf"));
    for (auto _ : state) {
        const RenderReport report = RenderFormsToPdf(forms, path, 0, 0);
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
        SetUpPdfPrinter(printer, dir.filePath(QStringLiteral("form.pdf")));
        state.ResumeTiming();
        const RenderReport report = PrintForms(forms, printer, 0, 0);
        if (report.status != PrintStatus::Printed) {
            state.SkipWithError("printing failed");
            break;
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
            RecordingSurface surface(600);
            DrawRemittance(form, 0, 0, surface);
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
