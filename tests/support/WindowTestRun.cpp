#include "WindowTestRun.h"

#include "Controls.h"
#include "DesignCheck.h"
#include "ListView.h"
#include "MainWindow.h"
#include "PasswordDialog.h"
#include "Seams.h"
#include "Startup.h"

#include <QDateTime>
#include <QFile>
#include <QLineEdit>
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

bool WindowTestRun::writeVault(const std::vector<vault::Entry>& entries, const std::string& master) const {
    QFile f(vaultPath());
    return f.open(QIODevice::WriteOnly) &&
           f.write(QByteArray::fromStdString(vault::VaultBytes(master, entries))) >= 0 && f.flush();
}

QByteArray WindowTestRun::onDisk() const {
    QFile f(vaultPath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

MainWindow* WindowTestRun::openWith(const std::vector<vault::Entry>& entries) {
    if (!writeVault(entries)) {
        return nullptr;
    }
    MainWindow* main = program_->LoadMainWindow();
    program_->OpenVault();
    PasswordDialog* dialog = ProgramProbe(*program_).passwordDialog();
    if (dialog == nullptr) {
        return nullptr;
    }
    Control<QLineEdit>(dialog, "txtPass")->setText(QStringLiteral("Secret1"));
    dialog->confirmPassword();
    return main;
}

std::unique_ptr<VaultSession> WindowTestRun::unlockedSession(const std::vector<vault::Entry>& entries) {
    auto session = std::make_unique<VaultSession>(vaultPath());
    if (!writeVault(entries) || !session->open() || session->unlock(QStringLiteral("Secret1"))) {
        return nullptr;
    }
    return session;
}

ListView* EntryList(const MainWindow* main) {
    return Control<ListView>(main, "lstPass");
}
