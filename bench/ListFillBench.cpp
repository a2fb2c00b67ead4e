// From the master password accepted to the main list filled with 32,767 entries and painted, beside the
// vault core's load of the same file, measured in one run (offscreen).
#include "BannerView.h"
#include "UiBench.h"
#include "Form1.h"
#include "Seams.h"
#include "Startup.h"
#include "VaultFile.h"
#include "frmPass.h"
#include "modGlobals.h"

#include <QApplication>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <malloc.h>
#include <random>

namespace {

using uibench::kMaster;
using uibench::VaultPath;

void BM_VaultCoreLoad(benchmark::State& state) {
    for (auto _ : state) {
        auto entries = modGlobals::ReadEntries(VaultPath());
        benchmark::DoNotOptimize(entries);
        state.PauseTiming();
        entries = vault::Result<std::vector<vault::Entry>>(std::vector<vault::Entry>{});
        state.ResumeTiming();
    }
}

// The gate is open on the vault; the clock runs from the accepted password to the first paint of the
// filled list.
void BM_AcceptedToListPainted(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        modGlobals::Reset();
        auto* main = Form1::Load();
        main->Form_Load();
        frmPass* dialog = modGlobals::PasswordDialog();
        dialog->txtPass->setText(QString::fromStdString(kMaster));
        QCoreApplication::processEvents();

        const auto start = Clock::now();
        dialog->cmdOK_Click();
        main->lstPass->viewport()->repaint();
        const auto end = Clock::now();

        if (main->lstPass->count() != vault::kMaxEntries) {
            state.SkipWithError("the list was not filled");
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        delete main;
        QCoreApplication::processEvents();
    }
}

BENCHMARK(BM_VaultCoreLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AcceptedToListPainted)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    double vault = 0;
    double list = 0;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.benchmark_name().rfind("BM_VaultCoreLoad", 0) == 0) {
                vault = run.GetAdjustedRealTime();
            } else if (run.benchmark_name().rfind("BM_AcceptedToListPainted", 0) == 0) {
                list = run.GetAdjustedRealTime();
            }
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // As for the vault figures: freed memory stays in the process between iterations.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    PrepareWebEngine();
    QApplication app(argc, argv);
    uibench::Prepare();

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (reporter.vault > 0 && reporter.list > 0) {
        const double ratio = reporter.list / reporter.vault;
        std::printf("\naccepted to list painted / vault core load   %6.2fx  (target within 4x: %s; %.2f ms against %.2f ms)\n",
                    ratio, ratio <= 4 ? "met" : "NOT met", reporter.list, reporter.vault);
    }
    benchmark::Shutdown();
    seams::testing::End();
    return 0;
}
