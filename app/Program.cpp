#include "Program.h"

#include "AboutWindow.h"
#include "Appearance.h"
#include "BuildConfiguration.h"
#include "HelpWindow.h"
#include "MainWindow.h"
#include "PasswordDialog.h"
#include "Seams.h"
#include "SplashWindow.h"
#include "VaultFile.h"
#include "WebsiteLauncher.h"

#include <QApplication>
#include <QCoreApplication>
#include <QSettings>

namespace {

QString VaultPath() {
    return QString::fromStdString(vault::VaultPath(seams::ExecutableDir().toStdString()));
}

// Shows a modeless window in front.
void Present(QWidget* window) {
    if (window != nullptr) {
        window->show();
        window->raise();
        window->activateWindow();
    }
}

} // namespace

Program::Program(QObject* parent) : QObject(parent), session_(VaultPath()) {}

Program::~Program() {
    // The windows go before the session whose entries the main window shows.
    for (QWidget* window : std::initializer_list<QWidget*>{launcher_, about_, help_, editor_, pass_, main_, splash_}) {
        delete window;
    }
}

void Program::Start() {
    OpenSplash()->show();
}

void Program::BringToFront() {
    QWidget* top = nullptr;
    for (QWidget* window : {static_cast<QWidget*>(splash_), static_cast<QWidget*>(main_),
                            static_cast<QWidget*>(help_), static_cast<QWidget*>(about_),
                            static_cast<QWidget*>(editor_), static_cast<QWidget*>(pass_),
                            QApplication::activeModalWidget()}) {
        if (window != nullptr && window->isVisible()) {
            // Restored, not shown normal: a maximized window stays maximized.
            window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
            window->raise();
            top = window;
        }
    }
    if (top != nullptr) {
        top->activateWindow();
    }
}

SplashWindow* Program::OpenSplash() {
    SplashWindow* splash = LoadSplash();
    splash->Form_Load();
    if (buildConfig::Skinned()) {
        appearance_.SkinSplash(splash, splash->skn);
    }
    return splash;
}

void Program::ApplySkin(QWidget* window) const {
    if (window != nullptr && buildConfig::Skinned()) {
        appearance_.SkinForm(window);
    }
}

SplashWindow* Program::LoadSplash() {
    if (splash_ == nullptr) {
        splash_ = new SplashWindow();
        connect(splash_, &SplashWindow::finished, this, &Program::SplashFinished);
    }
    return splash_;
}

void Program::SplashFinished() {
    appearance_.SkinStartUp();
    const bool made = main_ == nullptr;
    MainWindow* main = LoadMainWindow();
    if (made) {
        main->Form_Load();
    }
    if (main_ != nullptr) {
        main_->show();
    }
}

MainWindow* Program::LoadMainWindow() {
    if (main_ == nullptr) {
        main_ = new MainWindow(&session_);
        connect(main_, &MainWindow::loaded, this, &Program::OpenGate);
        connect(main_, &MainWindow::addRequested, this, [this] { OpenEditor({}); });
        connect(main_, &MainWindow::editRequested, this,
                [this](quint64 id, const ListEntry& entry) { OpenEditor({false, id, entry}); });
        connect(main_, &MainWindow::helpRequested, this, &Program::OpenHelp);
        connect(main_, &MainWindow::aboutRequested, this, &Program::OpenAbout);
        connect(main_, &MainWindow::websiteRequested, this, [this] { OpenWebsite(false); });
        connect(main_, &MainWindow::closing, this, &Program::MainWindowClosing);
        connect(main_, &MainWindow::bannerDue, this, [this] {
            // banner=0 in the settings keeps the band blank: no request to the banner's server.
            if (seams::OpenSettings()->value(QStringLiteral("Settings/banner"), QStringLiteral("1")).toString() !=
                QStringLiteral("0")) {
                appearance_.ShowBanner(main_);
            }
        });
        connect(main_, &MainWindow::windowMade, this, &Program::ApplySkin);
    }
    return main_;
}

void Program::OpenGate() {
    const VaultSession::Gate gate = session_.Open();
    if (gate == VaultSession::Gate::Closed) {
        return;
    }
    if (pass_ == nullptr) {
        pass_ = new PasswordDialog();
        connect(pass_, &PasswordDialog::passwordAccepted, this, &Program::PasswordAccepted);
        pass_->Form_Load(
            gate == VaultSession::Gate::Create,
            [this](const QString& typed) { return session_.IsMasterPassword(typed); }, main_);
        ApplySkin(pass_);
    }
    pass_->show();
}

void Program::PasswordAccepted(const QString& password) {
    if (pass_->createMode()) {
        // The file is written before the dialog goes, so that a failed write leaves the user where they were.
        if (!session_.Create(password)) {
            pass_->NotStored();
            return;
        }
        pass_->close();
        QCoreApplication::processEvents();
    } else if (!session_.Unlock(password)) {
        return; // the file could not be read: the program is ending
    }
    FinishStartUp();
}

void Program::FinishStartUp() {
    if (main_ != nullptr) {
        ApplySkin(main_);
        main_->afterFormLoad();
    }
    if (seams::OpenSettings()->value(QStringLiteral("Settings/showHelp"), QStringLiteral("1")).toString() ==
        QStringLiteral("1")) {
        OpenHelp();
    }
    UnloadPasswordDialog();
    session_.TellWhyReadOnly();
}

void Program::UnloadPasswordDialog() {
    // Destroyed once the event loop is back in control: its own handler may still be running.
    PasswordDialog* dialog = pass_;
    pass_.clear();
    if (dialog != nullptr) {
        dialog->close();
        dialog->deleteLater();
    }
}

HelpWindow* Program::LoadHelpWindow() {
    if (help_ == nullptr) {
        help_ = new HelpWindow();
        connect(help_, &HelpWindow::closed, this, [this] { help_.clear(); });
    }
    return help_;
}

void Program::OpenHelp() {
    const bool made = help_ == nullptr;
    HelpWindow* help = LoadHelpWindow();
    if (made) {
        help->Form_Load(); // closes it again when there is no document
        ApplySkin(help_);
    }
    Present(help_);
}

AboutWindow* Program::LoadAboutWindow() {
    if (about_ == nullptr) {
        about_ = new AboutWindow();
        connect(about_, &AboutWindow::websiteRequested, this, [this] { OpenWebsite(true); });
        connect(about_, &AboutWindow::closed, this, [this] { about_.clear(); });
    }
    return about_;
}

void Program::OpenAbout() {
    const bool made = about_ == nullptr;
    AboutWindow* about = LoadAboutWindow();
    if (made) {
        about->Form_Load();
        ApplySkin(about_);
    }
    Present(about_);
}

void Program::OpenEditor(const EntryEditor::Request& request) {
    if (editor_ == nullptr) {
        editor_ = new EntryEditor([this](const EntryEditor::Request& typed) {
            return typed.add ? session_.Add(typed.entry) : session_.Replace(typed.id, typed.entry);
        });
        connect(editor_, &EntryEditor::closed, this, [this] { editor_.clear(); });
        editor_->Form_Load(request);
        ApplySkin(editor_);
    }
    Present(editor_);
}

WebsiteLauncher* Program::LoadWebsiteLauncher() {
    if (launcher_ == nullptr) {
        launcher_ = new WebsiteLauncher();
        connect(launcher_, &WebsiteLauncher::closed, this, [this] { launcher_.clear(); });
    }
    return launcher_;
}

void Program::OpenWebsite(bool show) {
    if (launcher_ == nullptr) {
        LoadWebsiteLauncher()->Form_Load(true);
    }
    if (show && launcher_ != nullptr) {
        launcher_->show();
    }
}

void Program::MainWindowClosing() {
    if (help_ != nullptr) {
        help_->close();
    }
    if (about_ != nullptr) {
        about_->close();
    }
    if (editor_ != nullptr) {
        editor_->close(); // nothing is stored
    }
    if (splash_ != nullptr) {
        splash_->close();
        splash_->deleteLater();
    }
    if (launcher_ != nullptr && launcher_->isVisible()) {
        // The program ends when the launcher has closed itself.
        launcher_->EndProgramWhenClosed();
        return;
    }
    if (buildConfig::Skinned()) {
        appearance_.SkinShutDown();
    }
    if (launcher_ != nullptr) {
        launcher_->close();
    }
    seams::EndProgram();
}
