#include "EntryEditor.h"

#include "BuildConfiguration.h"
#include "Builder.h"
#include "EntryRules.h"
#include "PasswordGenerator.h"
#include "Seams.h"
#include "SecretClipboard.h"
#include "TypingTarget.h"
#include "VaultFormat.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QToolButton>
#include <limits>
#include <string.h>

EntryEditor::EntryEditor(Store store, QWidget* parent) : QWidget(parent), store_(std::move(store)) {
    setAttribute(Qt::WA_DeleteOnClose);
    layouts::Build(this, layouts::frmAdd);
    txtUsername = findChild<QLineEdit*>(QStringLiteral("txtUsername"));
    txtPassword = findChild<QLineEdit*>(QStringLiteral("txtPassword"));
    txtWebsite = findChild<QLineEdit*>(QStringLiteral("txtWebsite"));
    cmdAdd[0] = findChild<QToolButton*>(QStringLiteral("cmdAdd(0)"));
    cmdCancel = findChild<QToolButton*>(QStringLiteral("cmdDelete")); // the design's name for Cancel
    // A text box holds 32,767 characters unless told otherwise: an entry loaded with a longer field
    // would lose its end at the next save.
    for (QLineEdit* box : {txtUsername, txtPassword, txtWebsite}) {
        box->setMaxLength(std::numeric_limits<int>::max());
    }
    // A screen reader names each box by the label beside it.
    findChild<QLabel*>(QStringLiteral("SkinLabel1"))->setBuddy(txtUsername);
    findChild<QLabel*>(QStringLiteral("SkinLabel2"))->setBuddy(txtPassword);
    findChild<QLabel*>(QStringLiteral("SkinLabel3"))->setBuddy(txtWebsite);

    connect(cmdAdd[0], &QToolButton::clicked, this, [this] { cmdAdd_Click(0); });
    connect(cmdCancel, &QToolButton::clicked, this, &EntryEditor::cmdCancel_Click);
    // The password box's copies are the secret copies the main window makes, cleared when Keyshelf ends,
    // and what is selected in it is never offered to other programs as the X selection.
    secretClipboard::Guard(txtPassword);
    // A new password from the box's context menu, or Ctrl+G while the box has the focus.
    txtPassword->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(txtPassword, &QLineEdit::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = PasswordMenu();
        menu->exec(txtPassword->mapToGlobal(at));
        delete menu;
    });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), txtPassword, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, this, &EntryEditor::GeneratePassword);
    // Enter in the location box saves; in the other two it does nothing.
    connect(txtWebsite, &QLineEdit::returnPressed, this, [this] { cmdAdd_Click(0); });
    // The editor opens with the focus on Cancel: typing goes into the first empty box (the username box
    // when all hold text), never to a button that Enter or Space would press.
    new TypingTarget({cmdAdd[0], cmdCancel}, [this] {
        QLineEdit* empty = TypingTarget::FirstEmpty({txtUsername, txtPassword, txtWebsite});
        return empty != nullptr ? empty : txtUsername;
    });
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &EntryEditor::cmdCancel_Click);
}

void EntryEditor::Form_Load(const Request& request) {
    addMode_ = request.add;
    entryId_ = request.add ? 0 : request.id;
    if (addMode_) {
        setWindowTitle(QStringLiteral("Add an entry"));
    } else {
        setWindowTitle(QStringLiteral("Edit an entry"));
        txtUsername->setText(request.entry.username);
        txtPassword->setText(request.entry.password);
        txtWebsite->setText(request.entry.location);
    }
}

void EntryEditor::Error(const QString& text) {
    seams::MsgBox(text, seams::vbOKOnly, QStringLiteral("Error"));
}

QString EntryEditor::Refusal() const {
    return QString::fromStdString(vault::EntryRefusal(
        txtUsername->text().toStdString(), txtPassword->text().toStdString(), txtWebsite->text().toStdString()));
}

void EntryEditor::cmdAdd_Click(int) {
    if (const QString refusal = Refusal(); !refusal.isEmpty()) {
        Error(refusal);
        return;
    }
    const Request typed{addMode_, entryId_, {txtUsername->text(), txtPassword->text(), txtWebsite->text()}};
    switch (store_(typed)) {
    case VaultSession::Stored::Saved:
        close();
        return;
    case VaultSession::Stored::NotSaved:
    case VaultSession::Stored::Declined:
    case VaultSession::Stored::ReadOnly:
    case VaultSession::Stored::NewMasterPassword:
        // The user was told why; what was typed stays for another try.
        return;
    case VaultSession::Stored::ListFull:
        Error(QString::fromUtf8(vault::kListFullText.data(), static_cast<qsizetype>(vault::kListFullText.size())));
        return;
    case VaultSession::Stored::TooLarge:
        Error(QStringLiteral("The entry is too long: the list can not hold that much text.  Shorten it and try "
                             "again."));
        return;
    case VaultSession::Stored::EntryGone:
        Error(QStringLiteral("The entry you are editing has been deleted, so it can not be changed.  Use Add "
                             "to store it as a new entry."));
        return;
    }
}

QMenu* EntryEditor::PasswordMenu() {
    QMenu* menu = txtPassword->createStandardContextMenu();
    secretClipboard::GuardMenu(txtPassword, menu);
    menu->addSeparator();
    QAction* generate = menu->addAction(QStringLiteral("Generate Password"));
    generate->setObjectName(QStringLiteral("generatePassword"));
    generate->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G)); // shown beside it; the box's own key does it
    connect(generate, &QAction::triggered, this, &EntryEditor::GeneratePassword);
    return menu;
}

void EntryEditor::GeneratePassword() {
    std::optional<std::string> password = vault::GeneratePassword();
    if (!password) {
        Error(QStringLiteral("A password could not be generated: the system's random source did not answer.  "
                             "Please type one."));
        return;
    }
    // Typed over the whole box, so that the box's undo brings the old text back.
    txtPassword->selectAll();
    txtPassword->insert(QString::fromLatin1(password->data(), static_cast<qsizetype>(password->size())));
    ::explicit_bzero(password->data(), password->size());
    txtPassword->setFocus();
}

void EntryEditor::cmdCancel_Click() {
    close();
}

void EntryEditor::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}
