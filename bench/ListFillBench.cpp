// From the master password accepted to the main list filled with 32,767 entries and painted, beside the
// vault core's load of the same file, measured in one run (offscreen).
#include "Controls.h"
#include "MainWindow.h"
#include "PasswordDialog.h"
#include "Program.h"
#include "ProgramProbe.h"
#include "UiBench.h"
#include "VaultFile.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>

namespace {

using uibench::kMaster;
using uibench::VaultPath;

// The load the program's unlock makes (LoadVault): the file read and its entries laid out in one table.
void BM_VaultCoreLoad(benchmark::State& state) {
    for (auto _ : state) {
        auto loaded = vault::LoadVault(VaultPath());
        benchmark::DoNotOptimize(loaded);
        state.PauseTiming();
        if (!loaded || loaded->entries.size() != static_cast<std::size_t>(vault::kMaxEntries)) {
            state.SkipWithError("the vault was not loaded");
        }
        loaded = vault::Result<vault::Loaded>(vault::Loaded{});
        state.ResumeTiming();
    }
}

// The gate is open on the vault; the clock runs from the accepted password to the first paint of the
// filled list.
void BM_AcceptedToListPainted(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        auto program = uibench::NewProgram();
        auto* main = program->LoadMainWindow();
        program->OpenVault();
        ListView* list = Control<ListView>(main, "lstPass");
        PasswordDialog* dialog = ProgramProbe(*program).passwordDialog();
        Control<QLineEdit>(dialog, "txtPass")->setText(QString::fromStdString(kMaster));
        QCoreApplication::processEvents();

        const auto start = Clock::now();
        dialog->confirmPassword();
        list->viewport()->repaint();
        const auto end = Clock::now();

        if (list->count() != vault::kMaxEntries) {
            state.SkipWithError("the list was not filled");
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        program.reset();
        QCoreApplication::processEvents();
    }
}

BENCHMARK(BM_VaultCoreLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AcceptedToListPainted)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

} // namespace

int main(int argc, char** argv) {
    return uibench::Main(argc, argv, [](uibench::Reporter& r) {
        const double vault = r.times["BM_VaultCoreLoad"];
        const double list = r.times["BM_AcceptedToListPainted/iterations:20/manual_time"];
        if (vault > 0 && list > 0) {
            const double ratio = list / vault;
            std::printf("accepted to list painted / vault core load   %6.2fx  (target within 4x: %s; %.2f ms against "
                        "%.2f ms)\n",
                        ratio, ratio <= 4 ? "met" : "NOT met", list, vault);
        }
    });
}
