// A run of Keyshelf: the run's vault and the windows around it, and the one place where they are wired
// together. Each window is a leaf: it is given values, reports through signals, and knows no other
// window; here each is made when it is first needed, at most one of each kind.
#pragma once

#include "AboutWindow.h"
#include "Appearance.h"
#include "AtomicFile.h"
#include "BuildConfiguration.h"
#include "EntryEditor.h"
#include "HelpWindow.h"
#include "MainWindow.h"
#include "PasswordDialog.h"
#include "Seams.h"
#include "SplashWindow.h"
#include "VaultSession.h"
#include "WebsiteLauncher.h"

#include <QList>
#include <QObject>
#include <QPointer>

class ClipboardTimeout;
class OutsideChanges;
class WindowLock;

class Program : public QObject {
    Q_OBJECT
public:
    // The run on `desktop`, as `build` has it: both are in use for the seams and the windows while the
    // program lives, and must outlive it. The vault is data.enc in the program's folder, read and written
    // through `files`.
    Program(Desktop& desktop, const BuildConfiguration& build, vault::FileOps& files = vault::SystemFileOps(),
            QObject* parent = nullptr);
    ~Program() override;

    // Shows the splash; the rest follows from it.
    void Start();

    // Brings whatever is showing to the front (restored when minimized), the window in use on top and
    // active: the splash, or the main window with any editor, help or about window above it, and the
    // password dialog or a question above all.
    void BringToFront();

    // The splash, made when there is none and in the skin's look when skinning is on; the caller shows it.
    SplashWindow* OpenSplash();

    // Each window, made and wired when there is none; the caller shows it.
    MainWindow* LoadMainWindow();
    AboutWindow* LoadAboutWindow();
    WebsiteLauncher* LoadWebsiteLauncher();

    // Opens the run's vault, as the main window is first made: the password dialog asks for the master
    // password, or creates one on the first run; a vault that cannot be read ends the run.
    void OpenVault();

    // The commands that open windows: a window that is open only comes forward.
    void OpenHelp();
    void OpenAbout();
    void OpenEditor(const EntryEditor::Request& request);
    // Imports a CSV file, chosen first when no path is given: the import dialog, one save, then the
    // offer to delete the file.
    void ImportFile(QString path);
    // The launcher opens the site as it loads and goes a second later; while one exists a request makes
    // nothing new, so the site opens at most once a second. `show` shows the launcher itself.
    void OpenWebsite(bool show);

private:
    friend class ProgramProbe; // reads the windows held from outside, as a user sees them

    void SplashFinished();
    void ShowPasswordDialog(bool createMode);
    void PasswordAccepted(const QString& password);
    // Tells the user what a change that was not saved means for them.
    void Report(const VaultSession::Outcome& outcome);
    // The windows are locked away: the password dialog asks for the master password as at start.
    void Locked();
    // The right master password brings every window back as it was.
    void Unlocked();
    void FinishStartUp();
    void UnloadPasswordDialog();
    void MainWindowClosing();
    // Shows a window in the skin's look, when skinning is on and the window is still there.
    void ApplySkin(QWidget* window) const;

    // First made and last gone: everything below reaches the desktop and the build through them.
    seams::DesktopInUse desktopInUse_;
    buildConfig::InUse buildInUse_;
    VaultSession session_;
    OutsideChanges* outsideChanges_;
    WindowLock* lock_;
    ClipboardTimeout* clipboardTimeout_;
    Appearance appearance_;
    QPointer<SplashWindow> splash_;
    QPointer<MainWindow> main_;
    QPointer<PasswordDialog> pass_;
    QPointer<EntryEditor> editor_;
    QPointer<HelpWindow> help_;
    QPointer<AboutWindow> about_;
    QPointer<WebsiteLauncher> launcher_;
};
