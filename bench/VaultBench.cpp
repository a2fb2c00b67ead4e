// Loading and saving a vault at the format's limit of 32,767 entries, each figure beside a baseline
// measured in the same run:
//   load: the program's load (LoadVault: the file read into its table of entries), against reading the
//         file and scanning it for line ends;
//   save: the whole save, against the least any save must do: encode the entries, write them to a
//         temporary file, fsync it, rename it over the vault and fsync the folder;
//   import: a CSV export of 32,767 logins read, planned against an empty list and saved, against one save
//         of the vault it makes;
//   sealed: the key's derivation at the standard cost (what a user waits for after Enter), and the load of
//         the same entries sealed, its key derived, against the plain load.
#include "AtomicFile.h"
#include "Cp1252.h"
#include "CsvImport.h"
#include "RandomText.h"
#include "VaultFile.h"
#include "VaultFormat.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <malloc.h>
#include <map>
#include <optional>
#include <random>
#include <unistd.h>

namespace {

const std::string kMaster = "correct horse battery";

// Realistic fields: e-mail style usernames, generated passwords, web addresses; a few accented letters.
const std::vector<vault::Entry>& Entries() {
    static const std::vector<vault::Entry> entries = [] {
        std::mt19937 rng(20261207);
        std::vector<vault::Entry> out;
        out.reserve(vault::kMaxEntries);
        for (int i = 0; i < vault::kMaxEntries; ++i) {
            vault::Entry e;
            e.username = bench::RandomText(rng, "abcdefghijklmnopqrstuvwxyz.", 5, 14) + "@" +
                         bench::RandomText(rng, "abcdefghijklmnopqrstuvwxyz", 4, 10) + ".example";
            e.password =
                bench::RandomText(rng, "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789!#%&*-_=+?", 12, 24);
            e.location = "https://www." + bench::RandomText(rng, "abcdefghijklmnopqrstuvwxyz-", 5, 18) + ".example/" +
                         bench::RandomText(rng, "abcdefghijklmnopqrstuvwxyz/", 0, 16);
            if (i % 97 == 0) {
                e.username = "zoë." + e.username;
                e.password += "€";
            }
            out.push_back(std::move(e));
        }
        return out;
    }();
    return entries;
}

std::string BenchFolder() {
    const auto dir = std::filesystem::current_path() / "vault-bench-data";
    std::filesystem::create_directories(dir);
    return dir.string();
}

const std::string& VaultFile() {
    static const std::string path = [] {
        const std::string p = vault::VaultPath(BenchFolder());
        std::filesystem::remove(p);
        if (vault::SaveVault(p, vault::Secret(kMaster), Entries())) {
            std::fprintf(stderr, "cannot write %s\n", p.c_str());
            std::exit(1);
        }
        return p;
    }();
    return path;
}

// The same entries sealed at the least cost: unsealing costs the same at any cost, which only the key's
// derivation pays (BM_DeriveStandardKey).
const std::string& SealedFile() {
    static const std::string path = [] {
        const std::string p = BenchFolder() + "/sealed.enc";
        auto key = vault::SealKey::Fresh(kMaster, vault::kLeastSealCost, p);
        if (!key || vault::SaveVault(p, vault::Secret(kMaster), Entries(), vault::SystemFileOps(), &*key)) {
            std::fprintf(stderr, "cannot write %s\n", p.c_str());
            std::exit(1);
        }
        return p;
    }();
    return path;
}

void BM_ReadAndScan(benchmark::State& state) {
    const std::string& path = VaultFile();
    for (auto _ : state) {
        auto bytes = vault::ReadWholeFile(path);
        std::size_t lines = 0;
        const char* p = bytes->data();
        const char* end = p + bytes->size();
        while ((p = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p)))) != nullptr) {
            ++lines;
            ++p;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(std::filesystem::file_size(path)));
}

void BM_LoadEntries(benchmark::State& state) {
    const std::string& path = VaultFile();
    for (auto _ : state) {
        // The load the program's unlock makes: the file read and its entries laid out in one table.
        auto loaded = vault::LoadVault(path);
        benchmark::DoNotOptimize(loaded);
        // The program loads once and keeps the entries: freeing them is not part of a load.
        state.PauseTiming();
        if (!loaded || loaded->entries.size() != static_cast<std::size_t>(vault::kMaxEntries)) {
            state.SkipWithError("wrong entry count");
        }
        loaded = vault::Result<vault::Loaded>(vault::Loaded{});
        state.ResumeTiming();
    }
}

void BM_EncodeEntries(benchmark::State& state) {
    for (auto _ : state) {
        auto bytes = vault::VaultBytes(kMaster, Entries());
        benchmark::DoNotOptimize(bytes);
    }
}

void BM_SaveVault(benchmark::State& state) {
    const std::string path = vault::VaultPath(BenchFolder());
    for (auto _ : state) {
        if (vault::SaveVault(path, vault::Secret(kMaster), Entries())) {
            state.SkipWithError("save failed");
        }
    }
}

// Encodes the entries, writes them to a temporary file, syncs it, renames it over the target and syncs the
// folder, so that the rename itself is on the disk: the floor of any save.
bool EncodeWriteSyncRename(const std::vector<vault::Entry>& entries, const std::string& temp,
                           const std::string& target) {
    const std::string bytes = vault::VaultBytes(kMaster, entries);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const bool written =
        ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || ::rename(temp.c_str(), target.c_str()) != 0) {
        return false;
    }
    const int folder = ::open(BenchFolder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = folder >= 0 && ::fsync(folder) == 0;
    return folder >= 0 && ::close(folder) == 0 && synced;
}

void BM_EncodeWriteSyncRename(benchmark::State& state) {
    const std::string target = BenchFolder() + "/baseline.enc";
    const std::string temp = BenchFolder() + "/baseline.tmp";
    for (auto _ : state) {
        if (!EncodeWriteSyncRename(Entries(), temp, target)) {
            state.SkipWithError("baseline write failed");
        }
    }
}

// The disk's speed wanders during a run, so the save and its baseline are also timed in pairs, one
// right after the other, and compared over the sums: drift then falls on both alike.
void BM_SaveAgainstBaseline(benchmark::State& state) {
    const std::string path = vault::VaultPath(BenchFolder());
    const std::string target = BenchFolder() + "/baseline.enc";
    const std::string temp = BenchFolder() + "/baseline.tmp";
    double save = 0;
    double baseline = 0;
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const bool saved = !vault::SaveVault(path, vault::Secret(kMaster), Entries()).has_value();
        const auto t1 = Clock::now();
        const bool wrote = EncodeWriteSyncRename(Entries(), temp, target);
        const auto t2 = Clock::now();
        if (!saved || !wrote) {
            state.SkipWithError("write failed");
        }
        save += std::chrono::duration<double>(t1 - t0).count();
        baseline += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
    }
    state.counters["save_ms"] = benchmark::Counter(save * 1e3 / static_cast<double>(state.iterations()));
    state.counters["baseline_ms"] = benchmark::Counter(baseline * 1e3 / static_cast<double>(state.iterations()));
    state.counters["ratio"] = benchmark::Counter(save / baseline);
}

void BM_DeriveStandardKey(benchmark::State& state) {
    const vault::SealSalt salt{};
    for (auto _ : state) {
        auto key = vault::SealKey::Derive(kMaster, salt, vault::kStandardSealCost, "bench");
        if (!key) {
            state.SkipWithError("derivation failed");
        }
        benchmark::DoNotOptimize(key);
    }
}

// The load of the sealed vault with its key already derived, as the unlock makes it once the password
// has opened the seal, against the plain load of the same entries. Timed in pairs, in turns first, so
// that neither always finds the other's freed memory.
void BM_SealedLoadAgainstPlain(benchmark::State& state) {
    const std::string& plainPath = VaultFile();
    const std::string& sealedPath = SealedFile();
    std::optional<vault::SealKey> key;
    const auto start = vault::ReadVaultStart(sealedPath);
    if (!start || !start->seal || vault::OpenSeal(*start->seal, kMaster, key, sealedPath)) {
        state.SkipWithError("the sealed vault does not open");
        return;
    }
    double sealed = 0;
    double plain = 0;
    bool sealedFirst = true;
    using Clock = std::chrono::steady_clock;
    const auto loadSealed = [&] {
        return vault::LoadVault(sealedPath, vault::kMaxEntries, vault::SystemFileOps(), kMaster, key);
    };
    const auto loadPlain = [&] { return vault::LoadVault(plainPath); };
    for (auto _ : state) {
        const auto t0 = Clock::now();
        auto first = sealedFirst ? loadSealed() : loadPlain();
        const auto t1 = Clock::now();
        auto second = sealedFirst ? loadPlain() : loadSealed();
        const auto t2 = Clock::now();
        const auto size = static_cast<std::size_t>(vault::kMaxEntries);
        if (!first || !second || first->entries.size() != size || second->entries.size() != size || !key) {
            state.SkipWithError("a load failed");
        }
        sealed += std::chrono::duration<double>(sealedFirst ? t1 - t0 : t2 - t1).count();
        plain += std::chrono::duration<double>(sealedFirst ? t2 - t1 : t1 - t0).count();
        sealedFirst = !sealedFirst;
        state.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
    }
    state.counters["sealed_ms"] = benchmark::Counter(sealed * 1e3 / static_cast<double>(state.iterations()));
    state.counters["plain_ms"] = benchmark::Counter(plain * 1e3 / static_cast<double>(state.iterations()));
    state.counters["sealed_ratio"] = benchmark::Counter(sealed / plain);
}

const std::string& CsvFile() {
    static const std::string path = [] {
        std::vector<vault::Entry> codePage;
        for (const vault::Entry& e : Entries()) {
            codePage.push_back(
                {cp1252::FromUtf8(e.username), cp1252::FromUtf8(e.password), cp1252::FromUtf8(e.location)});
        }
        const std::string csv = vault::ExportCsv(codePage.size(), [&codePage](std::size_t i) {
            return vault::EntryView{codePage[i].username, codePage[i].password, codePage[i].location};
        });
        const std::string p = BenchFolder() + "/export.csv";
        std::FILE* f = std::fopen(p.c_str(), "wb");
        if (f == nullptr || std::fwrite(csv.data(), 1, csv.size(), f) != csv.size() || std::fclose(f) != 0) {
            std::fprintf(stderr, "cannot write %s\n", p.c_str());
            std::exit(1);
        }
        return p;
    }();
    return path;
}

// The import the companion and the window make: the file read and checked row by row, the plan made
// against the list (empty here, so that the vault it makes is the one the baseline saves), one save.
bool ImportAll(const std::string& csvPath, const std::string& vaultPath) {
    const auto file = vault::ReadImportFile(csvPath);
    if (!file || file->rows.size() != static_cast<std::size_t>(vault::kMaxEntries)) {
        return false;
    }
    const vault::EntryTable empty;
    const vault::ImportPlan plan = vault::PlanImport(*file, empty, false);
    return !vault::SaveVault(
                vaultPath, vault::Secret(kMaster), plan.additions.size(),
                [&plan](std::size_t i) { return vault::EntryView(plan.additions[i]); }, vault::TextForm::CodePage)
                .has_value();
}

// Timed in pairs, as the save against its baseline.
void BM_ImportAgainstSave(benchmark::State& state) {
    const std::string path = vault::VaultPath(BenchFolder());
    const std::string& csv = CsvFile();
    double import = 0;
    double save = 0;
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const bool imported = ImportAll(csv, path);
        const auto t1 = Clock::now();
        const bool saved = !vault::SaveVault(path, vault::Secret(kMaster), Entries()).has_value();
        const auto t2 = Clock::now();
        if (!imported || !saved) {
            state.SkipWithError("import or save failed");
        }
        import += std::chrono::duration<double>(t1 - t0).count();
        save += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
    }
    state.counters["import_ms"] = benchmark::Counter(import * 1e3 / static_cast<double>(state.iterations()));
    state.counters["import_save_ms"] = benchmark::Counter(save * 1e3 / static_cast<double>(state.iterations()));
    state.counters["import_ratio"] = benchmark::Counter(import / save);
}

BENCHMARK(BM_ReadAndScan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadEntries)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeEntries)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveVault)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeWriteSyncRename)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveAgainstBaseline)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2.0);
BENCHMARK(BM_ImportAgainstSave)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2.0);
BENCHMARK(BM_DeriveStandardKey)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SealedLoadAgainstPlain)->Unit(benchmark::kMillisecond)->UseManualTime();

// Prints the usual table, then the ratios of each figure to its baseline.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;

    std::map<std::string, double> counters;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (!run.error_occurred && run.iterations > 0) {
                seconds[run.benchmark_name()] = run.GetAdjustedRealTime();
                for (const auto& [name, counter] : run.counters) {
                    counters[name] = counter.value;
                }
            }
        }
    }

    void PrintRatio(const char* what, const std::string& figure, const std::string& baseline, double target) {
        if (seconds.count(figure) == 0 || seconds.count(baseline) == 0) {
            return;
        }
        const double ratio = seconds[figure] / seconds[baseline];
        if (target <= 0) {
            std::printf("%-44s %6.2fx\n", what, ratio);
            return;
        }
        std::printf("%-44s %6.2fx  (target within %.1fx: %s)\n", what, ratio, target,
                    ratio <= target ? "met" : "NOT met");
    }
};

} // namespace

int main(int argc, char** argv) {
    // Keep freed memory in the process between iterations, for the figures and their baselines alike.
    // By default glibc hands the heap back to the system after every load and takes it again page by page
    // on the next, a cost that a program loading its vault once per run pays only once.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%d entries, %ju bytes\n", vault::kMaxEntries,
                static_cast<std::uintmax_t>(std::filesystem::file_size(VaultFile())));
    reporter.PrintRatio("load (as unlock loads) / read and scan", "BM_LoadEntries", "BM_ReadAndScan", 12.0);
    reporter.PrintRatio("encode entries / read and scan", "BM_EncodeEntries", "BM_ReadAndScan", 0);
    // A ratio timed in pairs, from its benchmark's counters: its own, then the figure and its baseline in ms.
    const auto pairedRatio = [&](const char* label, const char* ratioName, const char* msName, const char* baselineName,
                                 double target) {
        if (reporter.counters.count(ratioName) == 0) {
            return false;
        }
        const double ratio = reporter.counters[ratioName];
        std::printf("%-44s %6.2fx  (target within %.1fx: %s; %.2f ms against %.2f ms, timed in pairs)\n", label, ratio,
                    target, ratio <= target ? "met" : "NOT met", reporter.counters[msName],
                    reporter.counters[baselineName]);
        return true;
    };
    pairedRatio("whole save / encode+write+fsync+rename+fsync", "ratio", "save_ms", "baseline_ms", 1.2);
    pairedRatio("import of 32,767 CSV rows / one save", "import_ratio", "import_ms", "import_save_ms", 2.0);
    if (pairedRatio("sealed load, key derived / plain load", "sealed_ratio", "sealed_ms", "plain_ms", 2.0)) {
        if (reporter.seconds.count("BM_DeriveStandardKey/real_time") != 0) {
            // Both in milliseconds, the unit of their benchmarks.
            const double derive = reporter.seconds["BM_DeriveStandardKey/real_time"];
            std::printf("%-44s %6.0f ms (%u passes over %u MiB) + %.2f ms, against %.2f ms plain\n",
                        "sealed unlock: key derivation + load", derive, vault::kStandardSealCost.passes,
                        vault::kStandardSealCost.memoryKiB / 1024, reporter.counters["sealed_ms"],
                        reporter.counters["plain_ms"]);
        }
    }
    std::filesystem::remove_all(BenchFolder());
    benchmark::Shutdown();
    return 0;
}
