#include "EntryEditor.h"

#include "BuildConfiguration.h"
#include "Builder.h"
#include "EntryRules.h"
#include "PasswordGenerator.h"
#include "PasswordOptionsDialog.h"
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

EntryEditor::EntryEditor(const Request& request, Store store, QWidget* parent)
    : QWidget(parent), store_(std::move(store)), addMode_(request.add), entryId_(request.add ? 0 : request.id) {
    using Control = layouts::EntryEditorDesign::Control;
    setAttribute(Qt::WA_DeleteOnClose);
    const auto built = layouts::Build<layouts::EntryEditorDesign>(this);
    username_ = built.get<QLineEdit>(Control::Username);
    password_ = built.get<QLineEdit>(Control::Password);
    website_ = built.get<QLineEdit>(Control::Website);
    saveButton_ = built.get<QToolButton>(Control::Save);
    cancelButton_ = built.get<QToolButton>(Control::Cancel);
    // A text box holds 32,767 characters unless told otherwise: an entry loaded with a longer field
    // would lose its end at the next save.
    for (QLineEdit* box : {username_, password_, website_}) {
        box->setMaxLength(std::numeric_limits<int>::max());
    }
    // A screen reader names each box by the label beside it.
    built.get<QLabel>(Control::UsernameLabel)->setBuddy(username_);
    built.get<QLabel>(Control::PasswordLabel)->setBuddy(password_);
    built.get<QLabel>(Control::WebsiteLabel)->setBuddy(website_);

    connect(saveButton_, &QToolButton::clicked, this, &EntryEditor::save);
    connect(cancelButton_, &QToolButton::clicked, this, &QWidget::close);
    // The password box's copies are the secret copies the main window makes, cleared when Keyshelf ends,
    // and what is selected in it is never offered to other programs as the X selection.
    secretClipboard::Guard(password_);
    // A new password from the box's context menu, or Ctrl+G while the box has the focus.
    password_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(password_, &QLineEdit::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = passwordMenu();
        menu->exec(password_->mapToGlobal(at));
        delete menu;
    });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), password_, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, this, &EntryEditor::generatePassword);
    // Enter in the location box saves; in the other two it does nothing.
    connect(website_, &QLineEdit::returnPressed, this, &EntryEditor::save);
    // The editor opens with the focus on Cancel: typing goes into the first empty box (the username box
    // when all hold text), never to a button that Enter or Space would press.
    new TypingTarget({saveButton_, cancelButton_}, [this] {
        QLineEdit* empty = TypingTarget::FirstEmpty({username_, password_, website_});
        return empty != nullptr ? empty : username_;
    });
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);

    if (addMode_) {
        setWindowTitle(QStringLiteral("Add an entry"));
    } else {
        setWindowTitle(QStringLiteral("Edit an entry"));
        username_->setText(request.entry.username);
        password_->setText(request.entry.password);
        website_->setText(request.entry.location);
    }
}

void EntryEditor::showError(const QString& text) {
    seams::messageBox(text, {}, QStringLiteral("Error"));
}

QString EntryEditor::refusal() const {
    const vault::Entry typed =
        vault::MapFields<std::string>(typedEntry(), [](const QString& text) { return text.toStdString(); });
    return QString::fromStdString(vault::EntryRefusal(vault::ViewOf(typed)));
}

ListEntry EntryEditor::typedEntry() const {
    return {username_->text(), password_->text(), website_->text()};
}

void EntryEditor::save() {
    if (const QString refused = refusal(); !refused.isEmpty()) {
        showError(refused);
        return;
    }
    const Request typed{addMode_, entryId_, typedEntry()};
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
        showError(QString::fromUtf8(vault::kListFullText.data(), static_cast<qsizetype>(vault::kListFullText.size())));
        return;
    case VaultSession::Stored::TooLarge:
        showError(QStringLiteral("The entry is too long: the list can not hold that much text.  Shorten it and try "
                                 "again."));
        return;
    case VaultSession::Stored::EntryGone:
        showError(QStringLiteral("The entry you are editing has been deleted, so it can not be changed.  Use Add "
                                 "to store it as a new entry."));
        return;
    }
}

QMenu* EntryEditor::passwordMenu() {
    QMenu* menu = password_->createStandardContextMenu();
    secretClipboard::GuardMenu(password_, menu);
    menu->addSeparator();
    QAction* generate = menu->addAction(QStringLiteral("Generate Password"));
    generate->setObjectName(QStringLiteral("generatePassword"));
    generate->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G)); // shown beside it; the box's own key does it
    connect(generate, &QAction::triggered, this, &EntryEditor::generatePassword);
    QAction* options = menu->addAction(QStringLiteral("Generate Password\u2026"));
    options->setObjectName(QStringLiteral("generatePasswordOptions"));
    connect(options, &QAction::triggered, this, &EntryEditor::choosePasswordOptions);
    return menu;
}

void EntryEditor::generatePassword() {
    fillPassword(generatorSettings::Load());
}

void EntryEditor::choosePasswordOptions() {
    PasswordOptionsDialog dialog(generatorSettings::Load(), this);
    emit windowMade(&dialog);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const vault::PasswordOptions options = dialog.options();
    if (!generatorSettings::Save(options)) {
        showError(QStringLiteral("The password options could not be remembered: Keyshelf.ini could not be "
                                 "written.  This password is made with them; Ctrl+G goes on with the ones "
                                 "remembered before."));
    }
    fillPassword(options);
}

void EntryEditor::fillPassword(const vault::PasswordOptions& options) {
    std::optional<std::string> password = vault::GeneratePassword(options);
    if (!password) {
        showError(QStringLiteral("A password could not be generated: the system's random source did not answer.  "
                                 "Please type one."));
        return;
    }
    // Typed over the whole box, so that the box's undo brings the old text back.
    password_->selectAll();
    password_->insert(QString::fromLatin1(password->data(), static_cast<qsizetype>(password->size())));
    ::explicit_bzero(password->data(), password->size());
    password_->setFocus();
}

void EntryEditor::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}
