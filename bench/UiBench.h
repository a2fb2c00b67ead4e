// A vault at the format's limit for the window benchmarks, and a main window logged in on it.
#pragma once

#include "VaultFormat.h"

#include <QString>
#include <benchmark/benchmark.h>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class MainWindow;
class Program;
class VaultSession;

namespace uibench {

inline const std::string kMaster = "correct horse battery";

// 32,767 entries with realistic fields, the same on every call.
const std::vector<vault::Entry>& Entries();
// The folder that holds data.enc for the run, with the seams pointed at it.
QString Folder();
std::string VaultPath();
// Writes the vault and prepares the application: offscreen windows, help switched off.
void Prepare();
// A run of the program on that folder, as this build has it.
std::unique_ptr<Program> NewProgram();
// A main window past the gate on that vault.
MainWindow* LogIn();
// The vault of the last log-in.
VaultSession& Session();

// The console table, keeping each benchmark's time (by its full name) and the counters for the ratios.
class Reporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> times;
    std::map<std::string, double> counters;
    void ReportRuns(const std::vector<Run>& runs) override;
};

// The main of a window benchmark: offscreen windows (real ones with UIBENCH_REAL_WINDOWS=1 and a
// $DISPLAY), freed memory kept in the process
// between iterations (for figures and baselines alike), the vault written; then the benchmarks, and
// `report` prints the ratios.
int Main(int argc, char** argv, const std::function<void(Reporter&)>& report);

} // namespace uibench
