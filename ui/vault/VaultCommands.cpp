#include "VaultCommands.h"

#include "MasterPasswordDialog.h"
#include "Seams.h"

#include <QApplication>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <string.h>
#include <thread>

VaultCommands::VaultCommands(VaultSession& session, QMenuBar* menuBar, QWidget* window, const vault::SealCost& cost)
    : QObject(window), session_(session), window_(window), cost_(cost) {
    menu_ = menuBar->addMenu(QStringLiteral("&Vault"));
    menu_->setObjectName(QStringLiteral("mnuVault"));
    seal_ = menu_->addAction(QStringLiteral("&Seal Vault\u2026"), this, &VaultCommands::seal);
    seal_->setObjectName(QStringLiteral("mnuVaultSeal"));
    unseal_ = menu_->addAction(QStringLiteral("&Unseal Vault\u2026"), this, &VaultCommands::unseal);
    unseal_->setObjectName(QStringLiteral("mnuVaultUnseal"));
    menu_->addSeparator();
    QAction* change =
        menu_->addAction(QStringLiteral("&Change Master Password\u2026"), this, &VaultCommands::changeMasterPassword);
    change->setObjectName(QStringLiteral("mnuVaultChangeMaster"));
    // Only the command for the form the file has now is offered; another program may change it any time.
    connect(menu_, &QMenu::aboutToShow, this, &VaultCommands::showForm);
    showForm();
}

void VaultCommands::showForm() {
    seal_->setEnabled(!session_.sealed());
    unseal_->setEnabled(session_.sealed());
}

void VaultCommands::seal() {
    if (session_.sealed()) {
        seams::messageBox(QStringLiteral("%1 is sealed already.").arg(session_.path()),
                          {.icon = seams::Icon::Information});
        return;
    }
    const QString question =
        QStringLiteral(
            "Seal %1?\r\n\r\nSealing encrypts the file with a key made from the master password (Argon2id and "
            "XChaCha20-Poly1305).  It then opens only with the master password, in Keyshelf and keyshelf-cli "
            "alone: programs that read the unsealed form cannot read it.\r\n\r\nA sealed vault whose master "
            "password is forgotten is lost, entries and all: nothing can open it.  Sealing does not protect a "
            "running, unlocked Keyshelf, nor a weak master password.")
            .arg(session_.path());
    if (seams::messageBox(question, {.buttons = seams::Buttons::YesNo, .icon = seams::Icon::Question},
                          QStringLiteral("Seal Vault")) != seams::Answer::Yes) {
        return;
    }
    std::optional<vault::SealKey> key = freshKey(session_.masterPassword());
    if (!key) {
        return;
    }
    if (report(session_.changeForm(std::move(key)))) {
        seams::messageBox(QStringLiteral("%1 is sealed: it opens only with its master password now, in Keyshelf and "
                                         "keyshelf-cli alone.  Keep the master password safe: without it the vault "
                                         "can not be opened.")
                              .arg(session_.path()),
                          {.icon = seams::Icon::Information}, QStringLiteral("Seal Vault"));
    }
}

void VaultCommands::unseal() {
    if (!session_.sealed()) {
        seams::messageBox(QStringLiteral("%1 is not sealed.").arg(session_.path()), {.icon = seams::Icon::Information});
        return;
    }
    const QString question =
        QStringLiteral("Unseal %1?\r\n\r\nThe file goes back to the unsealed form, which is not encrypted: anyone "
                       "who can read the file can recover the master password and every entry in it.")
            .arg(session_.path());
    // Enter keeps the seal: taking it off takes a deliberate Yes.
    if (seams::messageBox(question,
                          {.buttons = seams::Buttons::YesNo, .icon = seams::Icon::Exclamation, .defaultButton = 1},
                          QStringLiteral("Unseal Vault")) != seams::Answer::Yes) {
        return;
    }
    if (report(session_.changeForm(std::nullopt))) {
        seams::messageBox(QStringLiteral("%1 is unsealed: anyone who has the file can read its master password and "
                                         "entries again.")
                              .arg(session_.path()),
                          {.icon = seams::Icon::Information}, QStringLiteral("Unseal Vault"));
    }
}

void VaultCommands::changeMasterPassword() {
    MasterPasswordDialog dialog([this](const QString& typed) { return typed == session_.masterPassword(); }, window_);
    emit windowMade(&dialog);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const QString master = dialog.newPassword();
    // A sealed vault is sealed again under the new password, with a new salt.
    std::optional<vault::SealKey> key;
    if (session_.sealed()) {
        key = freshKey(master);
        if (!key) {
            return;
        }
    }
    const bool sealed = key.has_value();
    if (report(session_.changeMasterPassword(master, std::move(key)))) {
        seams::messageBox(sealed ? QStringLiteral("The master password has been changed, and the vault sealed again "
                                                  "under it.")
                                 : QStringLiteral("The master password has been changed."),
                          {.icon = seams::Icon::Information}, QStringLiteral("Change Master Password"));
    }
}

std::optional<vault::SealKey> VaultCommands::freshKey(const QString& password) {
    std::string typed = password.toStdString();
    const std::string path = session_.path().toStdString();
    std::optional<vault::Result<vault::SealKey>> made;
    QEventLoop waiting;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The derivation takes about half a second and a quarter of a gigabyte: the window goes on painting
    // meanwhile, and takes no command until it is done.
    std::thread deriving([&] {
        made.emplace(vault::SealKey::Fresh(typed, cost_, path));
        QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
    });
    waiting.exec(QEventLoop::ExcludeUserInputEvents);
    deriving.join();
    QApplication::restoreOverrideCursor();
    ::explicit_bzero(typed.data(), typed.size());
    if (!*made) {
        seams::messageBox(QString::fromStdString((*made).error().Message()) + QStringLiteral(".  Nothing was changed."),
                          {.icon = seams::Icon::Critical});
        return std::nullopt;
    }
    return std::move(**made);
}

bool VaultCommands::report(const VaultSession::Outcome& outcome) {
    switch (outcome.stored) {
    case VaultSession::Stored::Saved:
        return true;
    case VaultSession::Stored::NotSaved:
        if (outcome.error) {
            seams::messageBox(QString::fromStdString(outcome.error->Message()), {.icon = seams::Icon::Critical});
        }
        return false;
    default:
        emit notSaved(outcome);
        return false;
    }
}
