// What a window test reads of a run that the program keeps to itself: the windows it holds (nullptr when
// none is open or loaded), its vault and appearance, and whether it is locked.
#pragma once

#include "Program.h"
#include "WindowLock.h"

class ProgramProbe {
public:
    explicit ProgramProbe(Program& program) : program_(program) {}

    SplashWindow* splash() const { return program_.splash_; }
    MainWindow* mainWindow() const { return program_.main_; }
    PasswordDialog* passwordDialog() const { return program_.pass_; }
    EntryEditor* editor() const { return program_.editor_; }
    HelpWindow* helpWindow() const { return program_.help_; }
    AboutWindow* aboutWindow() const { return program_.about_; }
    WebsiteLauncher* websiteLauncher() const { return program_.launcher_; }
    VaultSession& session() const { return program_.session_; }
    Appearance& appearance() const { return program_.appearance_; }
    bool locked() const { return program_.lock_->isLocked(); }
    WindowLock& windowLock() const { return *program_.lock_; }

private:
    Program& program_;
};
