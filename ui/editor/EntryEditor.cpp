#include "EntryEditor.h"

#include "BuildConfiguration.h"
#include "Builder.h"

#include <QCloseEvent>
#include "Cp1252.h"
#include "MainWindow.h"
#include "Seams.h"
#include "VaultFormat.h"
#include "modGlobals.h"
#include "Appearance.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <limits>

namespace {

// The name of a field in messages, as its label reads.
struct FieldName {
    const char* lower;
    vault::Field field;
};
constexpr FieldName kFields[] = {
    {"username", vault::Field::Username},
    {"password", vault::Field::Password},
    {"website", vault::Field::Location},
};

} // namespace

EntryEditor::EntryEditor(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    layouts::Build(this, layouts::frmAdd);
    txtUsername = findChild<QLineEdit*>(QStringLiteral("txtUsername"));
    txtPassword = findChild<QLineEdit*>(QStringLiteral("txtPassword"));
    txtWebsite = findChild<QLineEdit*>(QStringLiteral("txtWebsite"));
    cmdAdd[0] = findChild<QToolButton*>(QStringLiteral("cmdAdd(0)"));
    cmdDelete = findChild<QToolButton*>(QStringLiteral("cmdDelete"));
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
    connect(cmdDelete, &QToolButton::clicked, this, &EntryEditor::cmdDelete_Click);
    // Enter in the location box saves; in the other two it does nothing.
    connect(txtWebsite, &QLineEdit::returnPressed, this, [this] { cmdAdd_Click(0); });
    Register(this);
}

void EntryEditor::Form_Load() {
    addMode_ = modGlobals::strEditMode == QStringLiteral("Add");
    entryId_ = 0;
    if (addMode_) {
        setWindowTitle(QStringLiteral("Add an entry"));
    } else {
        setWindowTitle(QStringLiteral("Edit an entry"));
        txtUsername->setText(modGlobals::strEditUsername);
        txtPassword->setText(modGlobals::strEditPassword);
        txtWebsite->setText(modGlobals::strEditLocation);
        if (MainWindow* main = MainWindow::instance()) {
            entryId_ = main->lstPass->items()->rowId(modGlobals::intEditRow);
        }
    }
    if (buildConfig::blnSkin) {
        appearance::SkinForm(this);
    }
}

void EntryEditor::Error(const QString& text) {
    seams::MsgBox(text, seams::vbOKOnly, QStringLiteral("Error"));
}

QString EntryEditor::Refusal() const {
    const QLineEdit* boxes[] = {txtUsername, txtPassword, txtWebsite};
    for (std::size_t i = 0; i < 3; ++i) {
        const QString text = boxes[i]->text();
        const QString name = QString::fromUtf8(kFields[i].lower);
        switch (vault::CheckStorable(text.toStdString(), kFields[i].field)) {
        case vault::Unstorable::None:
            break;
        case vault::Unstorable::Separator:
            return kFields[i].field == vault::Field::Location
                       ? QStringLiteral("The website can not contain \"|||\", which separates the fields in the "
                                        "password file.")
                       : QStringLiteral("The %1 can not contain \"|||\" or end with \"|\", because \"|||\" separates "
                                        "the fields in the password file.")
                             .arg(name);
        case vault::Unstorable::OutsideCodePage: {
            const char32_t c = cp1252::FirstUnrepresentable(text.toStdString());
            const QString shown = c == 0xFFFD ? QString() : QStringLiteral(" \"%1\"").arg(QString::fromUcs4(&c, 1));
            return QStringLiteral("The %1 contains a character%2 that can not be stored in the password file.  "
                                  "Please leave it out.")
                .arg(name, shown);
        }
        case vault::Unstorable::LineBreaking:
            return QStringLiteral("The %1 contains a control character that can not be stored in the password "
                                  "file.  Please leave it out.")
                .arg(name);
        }
    }
    return {};
}

void EntryEditor::cmdAdd_Click(int) {
    if (txtUsername->text().isEmpty()) {
        Error(QStringLiteral("You must enter a username"));
        return;
    }
    if (txtPassword->text().isEmpty()) {
        Error(QStringLiteral("You must enter a password"));
        return;
    }
    if (const QString refusal = Refusal(); !refusal.isEmpty()) {
        Error(refusal);
        return;
    }
    MainWindow* main = MainWindow::instance();
    if (main == nullptr) {
        return;
    }
    EntryList* items = main->lstPass->items();
    const ListEntry typed{txtUsername->text(), txtPassword->text(), txtWebsite->text()};

    if (addMode_) {
        if (items->count() >= vault::kMaxEntries) {
            Error(QStringLiteral("The list is full: the password file holds at most 32,767 entries.  Delete an "
                                 "entry before adding another."));
            return;
        }
        const int position = main->lstPass->add(typed.text);
        main->lstPass->setSubItem(position, 1, typed.sub1);
        main->lstPass->setSubItem(position, 2, typed.sub2);
        const quint64 added = items->rowId(position);
        if (!modGlobals::SaveVault()) {
            // The file still holds the list as it was: take the row out again and keep what was typed.
            items->remove(items->positionOf(added));
            return;
        }
        modGlobals::SetStatus(QStringLiteral("Added new entry.  Data saved."));
    } else {
        const int position = items->positionOf(entryId_);
        if (position == 0) {
            Error(QStringLiteral("The entry you are editing has been deleted, so it can not be changed.  Use Add "
                                 "to store it as a new entry."));
            return;
        }
        const ListEntry before = items->item(position);
        items->setItem(position, typed);
        if (!modGlobals::SaveVault()) {
            items->setItem(items->positionOf(entryId_), before);
            return;
        }
        modGlobals::SetStatus(QStringLiteral("Entry changed.  Data saved."));
    }
    close();
}

void EntryEditor::cmdDelete_Click() {
    close();
}

void EntryEditor::closeEvent(QCloseEvent* event) {
    Unregister(this);
    QWidget::closeEvent(event);
}
