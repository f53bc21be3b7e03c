// The full calculation report of a 100-object project, written as a .docx file (target: under
// 2 s), for each conductor type.

#include "report/docxfile.h"
#include "report/reportfile.h"
#include "report/sampleproject.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace kv;

namespace {

void fullReport(benchmark::State &state, ConductorType type)
{
    const ReportInput in = sampleReportInput(type, 100);
    QTemporaryDir dir;
    const QString path = dir.filePath("report.docx");
    for (auto _ : state) {
        ReportSession session;
        const ReportFileResult r = writeReportFile(in, path, session);
        if (!r.ok)
            state.SkipWithError(r.error.toStdString().c_str());
        benchmark::DoNotOptimize(r.document);
    }
    state.counters["objects"] = static_cast<double>(in.snap.objects.size());
}

void BM_ReportSingleRod100(benchmark::State &s) { fullReport(s, ConductorType::SingleRod); }
void BM_ReportCatenary100(benchmark::State &s) { fullReport(s, ConductorType::Cable); }
void BM_ReportDoubleRod100(benchmark::State &s) { fullReport(s, ConductorType::DoubleRod); }

} // namespace

BENCHMARK(BM_ReportSingleRod100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReportCatenary100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReportDoubleRod100)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
