// One window test's run of the program: a folder of its own standing for the program's folder (data.enc,
// the settings, Help.rtf when asked for), the seams pointed at it with a fixed clock, the program with its
// vault there, and afterwards every window closed. A test makes one in init() and drops it in cleanup().
#pragma once

#include "Program.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

class WindowTestRun {
public:
    struct Options {
        bool helpDocument = false;    // Help.rtf of the source tree beside the program
        const char* showHelp = nullptr; // "0" or "1" for the help-at-start setting; nullptr leaves it unset
    };

    // What initTestCase() does once: the application prepared and the build's configuration applied,
    // as the program's start does.
    static void PrepareApplication();

    explicit WindowTestRun(Options options);
    WindowTestRun() : WindowTestRun(Options{}) {}
    ~WindowTestRun();
    WindowTestRun(const WindowTestRun&) = delete;
    WindowTestRun& operator=(const WindowTestRun&) = delete;

    // The run's program, and that of the run in progress.
    Program& program() { return *program_; }
    static Program& Current();

    QString path() const { return folder_.path(); }
    QString filePath(const QString& name) const { return folder_.filePath(name); }

private:
    QTemporaryDir folder_;
    std::unique_ptr<Program> program_;
};

inline Program& TheProgram() {
    return WindowTestRun::Current();
}
