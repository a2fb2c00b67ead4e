#include "Program.h"

#include "AboutWindow.h"
#include "Appearance.h"
#include "BuildConfiguration.h"
#include "ClipboardTimeout.h"
#include "FileImport.h"
#include "HelpWindow.h"
#include "MainWindow.h"
#include "OutsideChanges.h"
#include "PasswordDialog.h"
#include "Seams.h"
#include "Skin.h"
#include "SplashWindow.h"
#include "UserSettings.h"
#include "VaultCommands.h"
#include "VaultFile.h"
#include "WebsiteLauncher.h"
#include "WindowLock.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

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

// A vault that cannot be read at start-up ends the run, leaving the file as it is.
void EndBecause(const vault::VaultError& error) {
    QString text = QString::fromStdString(error.Message());
    if (error.tooLarge) {
        // A file of gigabytes where the vault should be looks like a vault gone wrong: say it is left as it is.
        text += QStringLiteral(".  Keyshelf will now end without changing it.");
    }
    seams::messageBox(text, {.icon = seams::Icon::Critical});
    seams::EndProgram(1);
}

void ShowError(const vault::VaultError& error) {
    seams::messageBox(QString::fromStdString(error.Message()), {.icon = seams::Icon::Critical});
}

// What to ask when another program changed the entry an edit or a delete is about. The entry's texts come
// after the first line, which alone decides whether a message box reads its text as markup.
QString ConflictQuestion(const VaultSession::Conflict& conflict) {
    const QString entry = conflict.entry.location.isEmpty()
                              ? conflict.entry.username
                              : QStringLiteral("%1 at %2").arg(conflict.entry.username, conflict.entry.location);
    if (conflict.removal) {
        return QStringLiteral("Another program has changed the entry you are deleting since Keyshelf last read "
                              "the file:\r\n\r\n%1\r\n\r\nIt has another password now.  Delete it as it is now?")
            .arg(entry);
    }
    if (conflict.changed) {
        return QStringLiteral("Another program has changed the entry you are editing since Keyshelf last read the "
                              "file:\r\n\r\n%1\r\n\r\nIt has another password now, which Keyshelf does not write "
                              "over.  Save what you typed as a new entry beside it?")
            .arg(entry);
    }
    return QStringLiteral("Another program has changed or deleted the entry you are editing since Keyshelf last read "
                          "the file:\r\n\r\n%1\r\n\r\nSave what you typed as a new entry?")
        .arg(entry);
}

} // namespace

Program::Program(Desktop& desktop, const BuildConfiguration& build, vault::FileOps& files, QObject* parent)
    : QObject(parent), desktopInUse_(desktop), buildInUse_(build), session_(VaultPath(), files),
      outsideChanges_(new OutsideChanges(
          session_,
          [this] {
              return !lock_->isLocked() && main_ != nullptr && main_->isVisible() && editor_ == nullptr &&
                     pass_ == nullptr && QApplication::activeModalWidget() == nullptr;
          },
          this)),
      lock_(new WindowLock(
          [this] {
              return QList<QWidget*>{main_, editor_, help_, about_};
          },
          this)),
      clipboardTimeout_(new ClipboardTimeout(this)) {
    session_.setClock(&seams::Now);
    session_.setConflictQuestion([](const VaultSession::Conflict& conflict) {
        return seams::messageBox(
                   ConflictQuestion(conflict),
                   {.buttons = seams::Buttons::YesNo, .icon = seams::Icon::Exclamation, .defaultButton = 1},
                   QStringLiteral("File Changed")) == seams::Answer::Yes;
    });
    connect(outsideChanges_, &OutsideChanges::newMasterPassword, lock_, &WindowLock::lockForNewMasterPassword);
    connect(lock_, &WindowLock::locked, this, &Program::Locked);
}

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
    for (QWidget* window : {static_cast<QWidget*>(splash_), static_cast<QWidget*>(main_), static_cast<QWidget*>(help_),
                            static_cast<QWidget*>(about_), static_cast<QWidget*>(editor_), static_cast<QWidget*>(pass_),
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
    if (splash_ == nullptr) {
        splash_ = new SplashWindow([](QWidget* parent) { return new Skin(parent); });
        connect(splash_, &SplashWindow::finished, this, &Program::SplashFinished);
    }
    if (buildConfig::Skinned()) {
        appearance_.SkinSplash(splash_, qobject_cast<Skin*>(splash_->skinControl()));
    }
    return splash_;
}

void Program::ApplySkin(QWidget* window) const {
    if (window != nullptr && buildConfig::Skinned()) {
        appearance_.SkinForm(window);
    }
}

void Program::SplashFinished() {
    const bool made = main_ == nullptr;
    LoadMainWindow();
    if (made) {
        OpenVault(); // before the window shows: the password dialog keeps it hidden
    }
    if (main_ != nullptr) {
        main_->show();
    }
}

MainWindow* Program::LoadMainWindow() {
    if (main_ == nullptr) {
        main_ = new MainWindow(session_.entries());
        outsideChanges_->setWindow(main_);
        connect(&session_, &VaultSession::statusChanged, main_, &MainWindow::setStatusText);
        connect(main_, &MainWindow::removeRequested, this, [this](quint64 id) {
            const VaultSession::Outcome outcome = session_.remove(id);
            if (outcome.stored == VaultSession::Stored::EntryGone) {
                seams::messageBox(
                    QStringLiteral("Another program has changed or deleted this entry since Keyshelf last "
                                   "read the file, so nothing was deleted.  The list now shows the file "
                                   "as it is."),
                    {.icon = seams::Icon::Exclamation});
                return;
            }
            Report(outcome);
            if (!outcome.saved() && outcome.position != 0 && main_ != nullptr) {
                // The file still holds the entry, and so does the list again.
                main_->selectEntry(outcome.position);
            }
        });
        connect(main_, &MainWindow::addRequested, this, [this] { OpenEditor({}); });
        connect(main_, &MainWindow::editRequested, this, [this](quint64 id, const ListEntry& entry) {
            OpenEditor({false, id, entry});
        });
        connect(main_, &MainWindow::helpRequested, this, &Program::OpenHelp);
        connect(main_, &MainWindow::aboutRequested, this, &Program::OpenAbout);
        connect(main_, &MainWindow::websiteRequested, this, [this] { OpenWebsite(false); });
        connect(main_, &MainWindow::closing, this, &Program::MainWindowClosing);
        connect(main_, &MainWindow::bannerDue, this, [this] {
            // banner=0 in the settings keeps the band blank: no request to the banner's server.
            if (userSettings::value(userSettings::kBanner) != 0) {
                appearance_.ShowBanner(main_->bannerPlace().band, main_->bannerPlace().picture);
            }
        });
        connect(main_, &MainWindow::importRequested, this, &Program::ImportFile);
        connect(main_, &MainWindow::lockRequested, lock_, &WindowLock::lock);
        connect(clipboardTimeout_, &ClipboardTimeout::cleared, main_,
                [this] { main_->setStatusText(QStringLiteral("Clipboard cleared")); });
        // Sealing and the master password: a menu of their own, after the window's.
        auto* vaultCommands = new VaultCommands(session_, main_->menuBar(), main_);
        connect(vaultCommands, &VaultCommands::notSaved, this, &Program::Report);
        connect(vaultCommands, &VaultCommands::windowMade, this, &Program::ApplySkin);
    }
    return main_;
}

void Program::OpenVault() {
    const auto gate = session_.open();
    if (!gate) {
        EndBecause(gate.error());
        return;
    }
    ShowPasswordDialog(*gate == VaultSession::Gate::Create);
}

void Program::ShowPasswordDialog(bool createMode) {
    if (pass_ == nullptr) {
        pass_ = new PasswordDialog(
            createMode ? PasswordDialog::Mode::Create : PasswordDialog::Mode::Enter,
            [this](const QString& typed) {
                // A sealed vault's key takes about half a second to derive.
                QApplication::setOverrideCursor(Qt::WaitCursor);
                const bool right = session_.isMasterPassword(typed);
                QApplication::restoreOverrideCursor();
                if (const vault::Failure& failed = session_.sealFailure()) {
                    ShowError(*failed);
                }
                return right;
            },
            main_);
        connect(pass_, &PasswordDialog::passwordAccepted, this, &Program::PasswordAccepted);
        ApplySkin(pass_);
    }
    pass_->show();
}

void Program::PasswordAccepted(const QString& password) {
    if (pass_->mode() == PasswordDialog::Mode::Create) {
        // The file is written before the dialog goes, so that a failed write leaves the user where they were.
        if (const auto failed = session_.create(password)) {
            ShowError(*failed);
            pass_->storeFailed();
            return;
        }
        pass_->close();
        QCoreApplication::processEvents();
    } else if (!lock_->isLocked() || lock_->readAgainOnUnlock()) {
        if (const auto failed = session_.unlock(password)) {
            EndBecause(*failed); // the file could not be read
            return;
        }
    }
    if (lock_->isLocked()) {
        Unlocked();
        return;
    }
    FinishStartUp();
}

void Program::Report(const VaultSession::Outcome& outcome) {
    switch (outcome.stored) {
    case VaultSession::Stored::NotSaved:
        if (outcome.error) {
            ShowError(*outcome.error);
        }
        return;
    case VaultSession::Stored::ReadOnly:
        seams::messageBox(session_.readOnlyReason(), {.icon = seams::Icon::Exclamation});
        return;
    case VaultSession::Stored::NewMasterPassword:
        seams::messageBox(QStringLiteral("%1 has a new master password, set by another program.  Nothing was saved.  "
                                         "Type the new master password to go on.")
                              .arg(session_.path()),
                          {.icon = seams::Icon::Exclamation});
        // Read again only once the new password is typed.
        lock_->lockForNewMasterPassword();
        return;
    case VaultSession::Stored::ListFull:
    case VaultSession::Stored::TooLarge:
    case VaultSession::Stored::EntryGone:
        return; // the editor says these beside what was typed, which stays there to be changed
    case VaultSession::Stored::Saved:
    case VaultSession::Stored::Declined:
        return; // the status line says so; a declined save was the user's own answer
    }
}

void Program::Locked() {
    outsideChanges_->stop();
    if (main_ != nullptr && main_->findBox() != nullptr) {
        main_->findBox()->close();
    }
    UnloadPasswordDialog();
    ShowPasswordDialog(false);
}

void Program::Unlocked() {
    UnloadPasswordDialog();
    lock_->unlock();
    if (main_ != nullptr) {
        main_->raise();
        main_->activateWindow();
    }
    if (editor_ != nullptr) {
        Present(editor_);
    }
    outsideChanges_->start();
}

void Program::FinishStartUp() {
    clipboardTimeout_->setSeconds(userSettings::value(userSettings::kClipboardSeconds));
    lock_->startUse(userSettings::value(userSettings::kLockMinutes));
    if (main_ != nullptr) {
        ApplySkin(main_);
        main_->showUnlocked();
    }
    if (userSettings::exactly(userSettings::kShowHelp, 1)) {
        OpenHelp();
    }
    UnloadPasswordDialog();
    if (!session_.readOnlyReason().isEmpty()) {
        seams::messageBox(session_.readOnlyReason(), {.icon = seams::Icon::Exclamation});
    }
    outsideChanges_->start();
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

void Program::OpenHelp() {
    if (help_ == nullptr) {
        if (!HelpWindow::hasDocument()) {
            return; // no document, no window
        }
        help_ = new HelpWindow();
        connect(help_, &HelpWindow::closed, this, [this] { help_.clear(); });
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
    if (about_ == nullptr) {
        ApplySkin(LoadAboutWindow());
    }
    Present(about_);
}

void Program::ImportFile(QString path) {
    if (main_ == nullptr || lock_->isLocked() || editor_ != nullptr) {
        return; // the list is not in use: an editor or the password dialog comes first
    }
    FileImport(
        session_, [this](const VaultSession::Outcome& outcome) { Report(outcome); },
        [this](QWidget* window) { ApplySkin(window); })
        .run(path, main_);
}

void Program::OpenEditor(const EntryEditor::Request& request) {
    if (editor_ == nullptr) {
        // An edit names its entry by the texts it was opened with too: the file may be read again under it.
        editor_ = new EntryEditor(request, [this, was = request.entry](const EntryEditor::Request& typed) {
            const VaultSession::Outcome outcome =
                typed.add ? session_.add(typed.entry) : session_.replace(typed.id, was, typed.entry);
            Report(outcome);
            return outcome.stored;
        });
        connect(editor_, &EntryEditor::closed, this, [this] { editor_.clear(); });
        connect(editor_, &EntryEditor::windowMade, this, &Program::ApplySkin);
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
        LoadWebsiteLauncher()->openWebsite();
    }
    if (show && launcher_ != nullptr) {
        launcher_->show();
    }
}

void Program::MainWindowClosing() {
    lock_->endUse();
    outsideChanges_->stop();
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
        launcher_->endProgramWhenClosed();
        return;
    }
    if (launcher_ != nullptr) {
        launcher_->close();
    }
    seams::EndProgram();
}
