#include "MasterPasswordDialog.h"

#include "EntryRules.h"
#include "Seams.h"
#include "SecretClipboard.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <limits>
#include <string.h>

MasterPasswordDialog::MasterPasswordDialog(IsCurrent isCurrent, QWidget* parent)
    : QDialog(parent), isCurrent_(std::move(isCurrent)) {
    setObjectName(QStringLiteral("masterPasswordDialog"));
    setWindowTitle(QStringLiteral("Change Master Password"));
    setModal(true);
    auto* form = new QFormLayout(this);
    const auto box = [this, form](const char* name, const QString& label) {
        auto* line = new QLineEdit(this);
        line->setObjectName(QLatin1String(name));
        line->setEchoMode(QLineEdit::Password);
        line->setMaxLength(std::numeric_limits<int>::max());
        // No copy of a master password leaves the box, nor is it offered as the X selection.
        secretClipboard::Guard(line);
        form->addRow(label, line);
        return line;
    };
    current_ = box("current", QStringLiteral("&Current master password:"));
    typed_ = box("typed", QStringLiteral("&New master password:"));
    again_ = box("again", QStringLiteral("New password &again:"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &MasterPasswordDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    current_->setFocus();
}

QString MasterPasswordDialog::newPassword() const {
    return typed_->text();
}

void MasterPasswordDialog::accept() {
    if (!isCurrent_(current_->text())) {
        seams::messageBox(QStringLiteral("The current master password is not correct.  Please try again."),
                          {.icon = seams::Icon::Exclamation});
        current_->clear();
        current_->setFocus();
        return;
    }
    // The rules of the first start's new password: at least 4 characters, typed the same twice, and
    // storable in the file.
    std::string typed = typed_->text().toStdString();
    std::string again = again_->text().toStdString();
    const vault::MasterRefusal refusal = vault::CheckNewMaster(typed, again);
    ::explicit_bzero(typed.data(), typed.size());
    ::explicit_bzero(again.data(), again.size());
    if (refusal == vault::MasterRefusal::None) {
        QDialog::accept();
        return;
    }
    const std::string_view text = vault::MasterRefusalText(refusal);
    seams::messageBox(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                      {.icon = seams::Icon::Exclamation});
    typed_->clear();
    again_->clear();
    typed_->setFocus();
}
