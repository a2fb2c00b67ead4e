// The entry editor: one dialog for adding an entry and for changing one.
//
// The dialog is modeless, so the main window's list may be sorted, added to or cut while it is open.
// It therefore binds itself when it is made: to the mode it was opened in, and for an edit to the entry
// itself (its id, not its position), so that Save writes into that entry or, when it is gone, into none.
// It stores nothing itself: Save hands the typed entry to the function it was given.
#pragma once

#include "EntryStore.h"
#include "PasswordGenerator.h"
#include "VaultSession.h"

#include <QWidget>
#include <functional>

class QLineEdit;
class QMenu;
class QToolButton;

class EntryEditor : public QWidget {
    Q_OBJECT
public:
    // What the editor is opened for: a new entry, or the entry with `id` as it stands.
    struct Request {
        bool add = true;
        quint64 id = 0;
        ListEntry entry;
    };
    // Stores what Save hands over: an added entry, or the entry `id` changed.
    using Store = std::function<VaultSession::Stored(const Request& typed)>;

    // Captioned and filled for the Add or Edit command.
    EntryEditor(const Request& request, Store store, QWidget* parent = nullptr);

    // The password box's context menu: the box's own commands, "Generate Password" and the options it makes
    // passwords with. The caller owns it.
    QMenu* passwordMenu();

public slots:
    // Save: checks, stores, saves the vault, reports and closes. Stays open, with its text, whenever the
    // entry could not be stored.
    void save();
    // Fills the password box with a new password from the system's random source, made with the remembered
    // options (Ctrl+G, or the box's context menu). Nothing is stored until Save; Ctrl+Z brings back what
    // the box held.
    void generatePassword();
    // "Generate Password...": the options window; Generate remembers the options and fills the box as above.
    void choosePasswordOptions();

signals:
    void closed();
    // A window of its own (the password options), to be given the program's look.
    void windowMade(QWidget* window);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The first reason the typed fields cannot be stored (an empty username or password first), or an empty
    // text.
    QString refusal() const;
    ListEntry typedEntry() const;
    void showError(const QString& text);
    void fillPassword(const vault::PasswordOptions& options);

    QLineEdit* username_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* website_ = nullptr;
    QToolButton* saveButton_ = nullptr;
    QToolButton* cancelButton_ = nullptr;

    Store store_;
    bool addMode_ = true;
    quint64 entryId_ = 0; // the entry an edit changes
};
