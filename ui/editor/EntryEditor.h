// The entry editor: one dialog for adding an entry and for changing one.
//
// The dialog is modeless, so the main window's list may be sorted, added to or cut while it is open.
// It therefore binds itself when it loads: to the mode it was opened in, and for an edit to the entry
// itself (not its position), so that Save writes into that entry or, when it is gone, into none.
#pragma once

#include "SingleForm.h"

#include <QWidget>
#include <array>

class QLineEdit;
class QToolButton;

class EntryEditor : public QWidget, public SingleForm<EntryEditor> {
    Q_OBJECT
public:
    explicit EntryEditor(QWidget* parent = nullptr);

    QLineEdit* txtUsername = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLineEdit* txtWebsite = nullptr;
    std::array<QToolButton*, 1> cmdAdd{};
    QToolButton* cmdDelete = nullptr; // the Cancel button

    // Caption and fields from the hand-off values of the Add or Edit command.
    void Form_Load();
    // Save: checks, stores, saves the vault, reports and closes. Stays open, with its text, whenever the
    // entry could not be stored.
    void cmdAdd_Click(int index = 0);
    // Cancel: closes without storing.
    void cmdDelete_Click();

    bool addMode() const { return addMode_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The first reason the typed fields cannot be stored, or an empty text.
    QString Refusal() const;
    void Error(const QString& text);

    bool addMode_ = true;
    quint64 entryId_ = 0; // the entry an edit changes
};
