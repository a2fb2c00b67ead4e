// One load in a fresh process, for load_bench.sh to run side by side:
//   load_bench make FOLDER KIND    writes FOLDER/data.enc: "entries" (32,767 realistic entries, the
//                                  format's limit), "sealed" (the same entries sealed at the standard
//                                  cost) or "line" (one entry with a 50 MB password)
//   load_bench core FOLDER         the vault core's load as the program's unlock makes it (LoadVault):
//                                  the file read and its entries laid out in one table; for a sealed
//                                  vault, first its header read again and its key derived (OpenSeal)
//   load_bench window FOLDER       the program's windows on FOLDER/data.enc in a real window ($DISPLAY):
//                                  from Enter in the password dialog to the filled list painted
// A run prints "MILLISECONDS LOAD_PEAK_KIB PEAK_KIB FILE_BYTES COLD": the time, the peak of resident
// memory above the memory just before the clock started, until the entries are in the list (LOAD_PEAK)
// and until the end (PEAK: with the main window's first showing and paint), the file's size, and 1 when
// none of the vault file's pages was in the page cache as the clock started, else 0. The core load has one peak,
// and a sixth figure: the milliseconds of those spent deriving the key (0 for a plain vault).
#include "BuildConfiguration.h"
#include "Controls.h"
#include "FakeDesktop.h"
#include "MainWindow.h"
#include "PasswordDialog.h"
#include "Program.h"
#include "ProgramProbe.h"
#include "Seams.h"
#include "Startup.h"
#include "UiBench.h"
#include "VaultFile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSettings>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long StatusKiB(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(field);
    while (std::getline(in, line)) {
        if (line.compare(0, n, field) == 0 && line.size() > n && line[n] == ':') {
            return std::stol(line.substr(n + 1));
        }
    }
    return -1;
}

// Resets the peak resident size (VmHWM) to the present one.
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Takes the vault file's pages out of the page cache, and only them: what a user meets at Enter is a file
// the start-up read only the first line of, while the program and its libraries and fonts are in memory,
// having just shown the dialog. True when none of the file's pages is left cached (checked by mincore).
bool EvictVaultFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    bool evicted = ::fdatasync(fd) == 0 && ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0 && ::fstat(fd, &st) == 0;
    const auto size = static_cast<std::size_t>(st.st_size);
    if (evicted && size > 0) {
        void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
        const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        std::vector<unsigned char> resident((size + page - 1) / page);
        evicted = mapped != MAP_FAILED && ::mincore(mapped, size, resident.data()) == 0 &&
                  std::none_of(resident.begin(), resident.end(), [](unsigned char r) { return (r & 1) != 0; });
        if (mapped != MAP_FAILED) {
            ::munmap(mapped, size);
        }
    }
    ::close(fd);
    return evicted;
}

struct Measure {
    long before = 0;
    long loadPeak = -1;
    bool cold = false;
    Clock::time_point start;
    void Begin(const std::string& vault) {
        cold = EvictVaultFile(vault);
        before = StatusKiB("VmRSS");
        ResetPeak();
        start = Clock::now();
    }
    // The entries are in what the list shows: the peak so far is the load's.
    void Loaded() { loadPeak = StatusKiB("VmHWM") - before; }
    void End(const std::string& vault, const char* more = "") {
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        const long peak = StatusKiB("VmHWM") - before;
        std::printf("%.2f %ld %ld %llu %d%s\n", ms, loadPeak < 0 ? peak : loadPeak, peak,
                    static_cast<unsigned long long>(std::filesystem::file_size(vault)), cold ? 1 : 0, more);
        std::fflush(stdout);
    }
};

int Make(const std::string& folder, const std::string& kind) {
    const std::string path = vault::VaultPath(folder);
    std::vector<vault::Entry> entries;
    if (kind == "line") {
        entries.push_back({"long@mail.example", std::string(50'000'000, 'x'), "https://long.example/"});
    } else {
        entries = uibench::Entries();
    }
    std::optional<vault::SealKey> seal;
    if (kind == "sealed") {
        auto key = vault::SealKey::Fresh(uibench::kMaster, vault::kStandardSealCost, path);
        if (!key) {
            return 1;
        }
        seal = std::move(*key);
    }
    return vault::SaveVault(path, vault::Secret(uibench::kMaster), entries, vault::SystemFileOps(),
                            seal ? &*seal : nullptr)
               ? 1
               : 0;
}

int Core(const std::string& folder) {
    const std::string path = vault::VaultPath(folder);
    // The form as the start-up found it, before the password was typed.
    const auto found = vault::ReadVaultStart(path);
    if (!found) {
        return 1;
    }
    Measure m;
    m.Begin(path);
    std::optional<vault::SealKey> key;
    double deriveMs = 0;
    if (found->seal) {
        // The password accepted as the program's gate accepts a sealed vault's: its header read again and
        // its key derived, which the load then uses.
        const auto start = vault::ReadVaultStart(path);
        const auto t0 = Clock::now();
        if (!start || !start->seal || vault::OpenSeal(*start->seal, uibench::kMaster, key, path)) {
            return 1;
        }
        deriveMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    }
    // The load the program's unlock makes: the file read and its entries laid out in one table.
    auto loaded = vault::LoadVault(path, vault::kMaxEntries, vault::SystemFileOps(), uibench::kMaster, key);
    char derived[32];
    std::snprintf(derived, sizeof derived, " %.2f", deriveMs);
    m.End(path, derived);
    return loaded.ok() && loaded->entries.size() > 0 ? 0 : 1;
}

int Window(int argc, char** argv, const std::string& folder) {
    QApplication app(argc, argv);
    Startup::PrepareApplication();
    BuildConfiguration build = BuildConfiguration::ofThisBuild();
    build.bannered = false; // the window as a build without the band has it
    FakeDesktop desktop(QString::fromStdString(folder));
    seams::OpenSettings()->setValue("Settings/showHelp", "0");
    const std::string path = vault::VaultPath(folder);

    Program program(desktop, build);
    MainWindow* main = program.LoadMainWindow();
    program.OpenVault();
    ListView* list = Control<ListView>(main, "lstPass");
    PasswordDialog* dialog = ProgramProbe(program).passwordDialog();
    if (dialog == nullptr) {
        return 1;
    }
    // The dialog is shown and painted before the clock starts, as a user sees it before typing.
    QElapsedTimer waited;
    waited.start();
    while (!dialog->isVisible() && waited.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QLineEdit* password = Control<QLineEdit>(dialog, "txtPass");
    password->setText(QString::fromStdString(uibench::kMaster));

    // The list counts as painted once a paint of its rows has been handed to the window system: the
    // zero timer posted from that paint runs only after the paint and the flush that follows it.
    bool painted = false;
    Measure m;
    struct PaintWatch : QObject {
        MainWindow* main;
        ListView* list;
        bool* painted;
        PaintWatch(MainWindow* w, ListView* l, bool* p) : main(w), list(l), painted(p) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint && main->isVisible() && list->count() > 0 && !*painted) {
                QTimer::singleShot(0, this, [this] { *painted = true; });
            }
            return false;
        }
    } watch(main, list, &painted);
    list->viewport()->installEventFilter(&watch);
    QObject::connect(list->entryModel(), &QAbstractItemModel::modelReset, &watch, [&m] { m.Loaded(); });

    m.Begin(path);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(password, &enter);
    waited.restart();
    while (!painted && waited.elapsed() < 30000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    m.End(path);
    return painted && list->count() > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "make") == 0) {
        return Make(argv[2], argv[3]);
    }
    if (argc >= 3 && std::strcmp(argv[1], "core") == 0) {
        return Core(argv[2]);
    }
    if (argc >= 3 && std::strcmp(argv[1], "window") == 0) {
        return Window(argc, argv, argv[2]);
    }
    std::fprintf(stderr, "usage: load_bench make FOLDER entries|sealed|line | core FOLDER | window FOLDER\n");
    return 2;
}
