// One window test's run of the program: a folder of its own standing for the program's folder (data.enc,
// the settings, Help.rtf when asked for), the seams pointed at it with a fixed clock, and afterwards every
// window closed and every program-wide value reset. A test makes one in init() and drops it in cleanup().
#pragma once

#include <QString>
#include <QTemporaryDir>

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

    QString path() const { return folder_.path(); }
    QString filePath(const QString& name) const { return folder_.filePath(name); }

private:
    QTemporaryDir folder_;
};
