// One window test's run of the program: a folder of its own standing for the program's folder (data.enc,
// the settings, Help.rtf when asked for), a recording desktop pointed at it with a fixed clock, this build's
// configuration for the test to change, file system calls it can make fail, the program with its vault
// there, and afterwards every window closed. A test makes one in init() and drops it in cleanup().
#pragma once

#include "BuildConfiguration.h"
#include "FakeDesktop.h"
#include "Program.h"
#include "ProgramProbe.h"
#include "SwitchableFiles.h"
#include "VaultFormat.h"
#include "VaultSession.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

class ListView;
class MainWindow;

class WindowTestRun {
public:
    struct Options {
        bool helpDocument = false;      // Help.rtf of the source tree beside the program
        const char* showHelp = nullptr; // "0" or "1" for the help-at-start setting; nullptr leaves it unset
    };

    // What initTestCase() does once: the application prepared as the program's start does.
    static void PrepareApplication();

    explicit WindowTestRun(Options options);
    WindowTestRun() : WindowTestRun(Options{}) {}
    ~WindowTestRun();
    WindowTestRun(const WindowTestRun&) = delete;
    WindowTestRun& operator=(const WindowTestRun&) = delete;

    // The run's program, and that of the run in progress.
    Program& program() { return *program_; }
    static Program& Current();
    // The build the program runs as: changes take effect at the program's next look.
    BuildConfiguration& build() { return build_; }
    static BuildConfiguration& CurrentBuild();
    // The file system calls of the run's vault.
    SwitchableFiles& files() { return files_; }

    QString path() const { return folder_.path(); }
    QString filePath(const QString& name) const { return folder_.filePath(name); }

    // The run's vault, data.enc in its folder.
    QString vaultPath() const { return filePath(QStringLiteral("data.enc")); }
    // Puts a vault of these entries there, under `master`; false when it cannot be written.
    bool writeVault(const std::vector<vault::Entry>& entries, const std::string& master = "Secret1") const;
    // Its bytes as they are now; empty when it cannot be read.
    QByteArray onDisk() const;
    // A vault of these entries opened as a user opens it: the main window loaded, and "Secret1" typed into
    // the password dialog and confirmed. The main window, or nullptr when no password dialog opened.
    MainWindow* openWith(const std::vector<vault::Entry>& entries);
    // A session of its own over a vault of these entries, opened and unlocked with "Secret1", for a part
    // of the program tested without the windows around it; nullptr when it does not open.
    std::unique_ptr<VaultSession> unlockedSession(const std::vector<vault::Entry>& entries);

private:
    QTemporaryDir folder_;
    FakeDesktop desktop_;
    BuildConfiguration build_ = BuildConfiguration::ofThisBuild();
    SwitchableFiles files_;
    std::unique_ptr<Program> program_;
};

inline Program& TheProgram() {
    return WindowTestRun::Current();
}

// What the run in progress holds: its windows, vault and appearance.
inline ProgramProbe TheRun() {
    return ProgramProbe(WindowTestRun::Current());
}

// The list of entries of a main window.
ListView* EntryList(const MainWindow* main);

inline BuildConfiguration& TheBuild() {
    return WindowTestRun::CurrentBuild();
}
