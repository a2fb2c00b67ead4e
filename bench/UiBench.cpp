#include "UiBench.h"

#include "BuildConfiguration.h"
#include "Controls.h"
#include "FakeDesktop.h"
#include "MainWindow.h"
#include "PasswordDialog.h"
#include "Program.h"
#include "ProgramProbe.h"
#include "RandomText.h"
#include "Seams.h"
#include "Startup.h"
#include "VaultFile.h"

#include <QApplication>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <random>

namespace uibench {
namespace {

QTemporaryDir& Temp() {
    static QTemporaryDir folder;
    return folder;
}

// The runs' desktop, pointed at the folder, from Prepare to the end of Main; and this build.
std::unique_ptr<FakeDesktop> desktop;
const BuildConfiguration build = BuildConfiguration::ofThisBuild();

} // namespace

const std::vector<vault::Entry>& Entries() {
    static const std::vector<vault::Entry> entries = [] {
        std::mt19937 rng(20261207);
        std::vector<vault::Entry> out;
        for (int i = 0; i < vault::kMaxEntries; ++i) {
            out.push_back(
                {bench::RandomText(rng, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ.", 5, 14) +
                     "@mail.example",
                 bench::RandomText(rng, "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789!#%&", 12, 24),
                 "https://www." + bench::RandomText(rng, "abcdefghijklmnopqrstuvwxyz-", 5, 18) + ".example/"});
        }
        return out;
    }();
    return entries;
}

QString Folder() {
    return Temp().path();
}

std::string VaultPath() {
    return vault::VaultPath(Folder().toStdString());
}

void Prepare() {
    Startup::PrepareApplication();
    desktop = std::make_unique<FakeDesktop>(Folder());
    seams::OpenSettings()->setValue("Settings/showHelp", "0");
    if (vault::SaveVault(VaultPath(), vault::Secret(kMaster), Entries())) {
        std::exit(1);
    }
}

namespace {
// The run of the last log-in.
std::unique_ptr<Program> program;
} // namespace

std::unique_ptr<Program> NewProgram() {
    return std::make_unique<Program>(*desktop, build);
}

VaultSession& Session() {
    return ProgramProbe(*program).session();
}

MainWindow* LogIn() {
    // Each log-in is a run of its own: the previous one's windows and vault go with it.
    program.reset();
    program = NewProgram();
    MainWindow* main = program->LoadMainWindow();
    program->OpenVault();
    PasswordDialog* dialog = ProgramProbe(*program).passwordDialog();
    Control<QLineEdit>(dialog, "txtPass")->setText(QString::fromStdString(kMaster));
    dialog->confirmPassword();
    return main;
}

void Reporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        times[run.benchmark_name()] = run.GetAdjustedRealTime();
        for (const auto& [name, counter] : run.counters) {
            counters[name] = counter.value;
        }
    }
}

int Main(int argc, char** argv, const std::function<void(Reporter&)>& report) {
    // Offscreen unless asked for real windows (UIBENCH_REAL_WINDOWS=1 with a $DISPLAY).
    if (qEnvironmentVariable("UIBENCH_REAL_WINDOWS") != QLatin1String("1")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    QApplication app(argc, argv);
    Prepare();
    benchmark::Initialize(&argc, argv);
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    report(reporter);
    std::fflush(stdout);
    // The last log-in's windows go while the application they belong to is still there: left to the
    // statics' end, they would be torn down after it, and the process would crash on its way out.
    program.reset();
    benchmark::Shutdown();
    desktop.reset();
    return 0;
}

} // namespace uibench
