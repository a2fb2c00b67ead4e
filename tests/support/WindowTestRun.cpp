#include "WindowTestRun.h"

#include "BuildConfiguration.h"
#include "DesignCheck.h"
#include "Seams.h"
#include "Startup.h"
#include "modGlobals.h"

#include <QDateTime>
#include <QFile>
#include <QSettings>
#include <stdexcept>

void WindowTestRun::PrepareApplication() {
    Startup::PrepareApplication();
    buildConfig::ApplyBuildConfiguration();
}

WindowTestRun::WindowTestRun(Options options) {
    seams::testing::Begin(folder_.path(), QDateTime(QDate(2026, 12, 6), QTime(8, 27, 30)));
    if (options.showHelp != nullptr) {
        seams::OpenSettings()->setValue("Settings/showHelp", options.showHelp);
    }
    if (options.helpDocument && !QFile::copy(QStringLiteral(KEYSHELF_HELP_RTF), folder_.filePath("Help.rtf"))) {
        throw std::runtime_error("Help.rtf could not be put beside the program");
    }
    modGlobals::Reset();
    buildConfig::ApplyBuildConfiguration();
}

WindowTestRun::~WindowTestRun() {
    modGlobals::Reset();
    DestroyAllWindows();
    seams::testing::End();
}
