#include "WindowTestRun.h"

#include "DesignCheck.h"
#include "Seams.h"
#include "Startup.h"

#include <QDateTime>
#include <QFile>
#include <QSettings>
#include <stdexcept>

namespace {
WindowTestRun* gCurrent = nullptr;

WindowTestRun& CurrentRun() {
    if (gCurrent == nullptr) {
        throw std::logic_error("no window test run in progress");
    }
    return *gCurrent;
}
} // namespace

Program& WindowTestRun::Current() {
    return CurrentRun().program();
}

BuildConfiguration& WindowTestRun::CurrentBuild() {
    return CurrentRun().build();
}

void WindowTestRun::PrepareApplication() {
    Startup::PrepareApplication();
}

WindowTestRun::WindowTestRun(Options options)
    : desktop_(folder_.path(), QDateTime(QDate(2026, 12, 6), QTime(8, 27, 30))) {
    if (options.showHelp != nullptr) {
        seams::OpenSettings()->setValue("Settings/showHelp", options.showHelp);
    }
    if (options.helpDocument && !QFile::copy(QStringLiteral(KEYSHELF_HELP_RTF), folder_.filePath("Help.rtf"))) {
        throw std::runtime_error("Help.rtf could not be put beside the program");
    }
    program_ = std::make_unique<Program>(desktop_, build_, files_);
    gCurrent = this;
}

WindowTestRun::~WindowTestRun() {
    gCurrent = nullptr;
    DestroyAllWindows();
    program_.reset();
}
