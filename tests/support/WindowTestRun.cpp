#include "WindowTestRun.h"

#include "BuildConfiguration.h"
#include "DesignCheck.h"
#include "Seams.h"
#include "Startup.h"

#include <QDateTime>
#include <QFile>
#include <QSettings>
#include <stdexcept>

namespace {
WindowTestRun* gCurrent = nullptr;
} // namespace

Program& WindowTestRun::Current() {
    if (gCurrent == nullptr) {
        throw std::logic_error("no window test run in progress");
    }
    return gCurrent->program();
}

void WindowTestRun::PrepareApplication() {
    Startup::PrepareApplication();
}

WindowTestRun::WindowTestRun(Options options) {
    seams::testing::Begin(folder_.path(), QDateTime(QDate(2026, 12, 6), QTime(8, 27, 30)));
    if (options.showHelp != nullptr) {
        seams::OpenSettings()->setValue("Settings/showHelp", options.showHelp);
    }
    if (options.helpDocument && !QFile::copy(QStringLiteral(KEYSHELF_HELP_RTF), folder_.filePath("Help.rtf"))) {
        throw std::runtime_error("Help.rtf could not be put beside the program");
    }
    // A test may show the main window as a build without the band has it; the next starts from this build.
    buildConfig::testing::ForceBanner(std::nullopt);
    buildConfig::testing::ForceBannerURL(std::nullopt);
    program_ = std::make_unique<Program>();
    gCurrent = this;
}

WindowTestRun::~WindowTestRun() {
    gCurrent = nullptr;
    DestroyAllWindows();
    program_.reset();
    seams::testing::End();
}
