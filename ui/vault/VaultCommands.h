// The Vault menu, after the window's own menus: Seal, Unseal and Change Master Password. Each does what
// keyshelf-cli's seal, unseal and passwd do, through the run's session, asks before it changes the file,
// and says what became of it.
#pragma once

#include "SealedVault.h"
#include "VaultSession.h"

#include <QObject>
#include <optional>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

class VaultCommands : public QObject {
    Q_OBJECT
public:
    // The menu goes at the end of `menuBar`; questions and reports stand over `window`. A new seal costs
    // `cost` to derive.
    VaultCommands(VaultSession& session, QMenuBar* menuBar, QWidget* window,
                  const vault::SealCost& cost = vault::kStandardSealCost);

    QMenu* menu() const { return menu_; }

public slots:
    void seal();
    void unseal();
    void changeMasterPassword();

signals:
    // A change that was not saved for a reason the program deals with: the run may not save, or the file
    // has a new master password, set by another program.
    void notSaved(const VaultSession::Outcome& outcome);
    // A window of its own (the master password dialog), to be given the program's look.
    void windowMade(QWidget* window);

private:
    // A new key from `password`, derived beside the window so that it keeps painting, with a busy cursor;
    // nothing (and the person told why) when it could not be made.
    std::optional<vault::SealKey> freshKey(const QString& password);
    // Tells what became of a change; true when it was saved.
    bool report(const VaultSession::Outcome& outcome);
    void showForm();

    VaultSession& session_;
    QWidget* window_;
    vault::SealCost cost_;
    QMenu* menu_ = nullptr;
    QAction* seal_ = nullptr;
    QAction* unseal_ = nullptr;
};
