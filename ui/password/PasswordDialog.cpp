#include "PasswordDialog.h"

#include "BuildConfiguration.h"
#include "Builder.h"
#include "EntryRules.h"
#include "Seams.h"
#include "TopMost.h"
#include "TypingTarget.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

PasswordDialog::PasswordDialog(Mode mode, Check isMasterPassword, QWidget* keptHidden, QWidget* parent)
    : QWidget(parent), mode_(mode), isMasterPassword_(std::move(isMasterPassword)), keptHidden_(keptHidden) {
    using Control = layouts::PasswordDialogDesign::Control;
    const auto built = layouts::Build<layouts::PasswordDialogDesign>(this);
    instruction_ = built.get<QLabel>(Control::Instruction);
    passwordLabel_ = built.get<QLabel>(Control::PasswordLabel);
    retypeLabel_ = built.get<QLabel>(Control::RetypeLabel);
    password_ = built.get<QLineEdit>(Control::Password);
    retype_ = built.get<QLineEdit>(Control::Retype);
    okButton_ = built.get<QPushButton>(Control::Ok);
    cancelButton_ = built.get<QPushButton>(Control::Cancel);
    keepHiddenTimer_ = built.get<QTimer>(Control::KeepHiddenTimer);
    // A screen reader names each box by the label beside it; the instruction above is read on its own.
    passwordLabel_->setBuddy(password_);
    retypeLabel_->setBuddy(retype_);

    connect(okButton_, &QPushButton::clicked, this, &PasswordDialog::confirmPassword);
    connect(cancelButton_, &QPushButton::clicked, this, &PasswordDialog::cancel);
    connect(keepHiddenTimer_, &QTimer::timeout, this, &PasswordDialog::keepMainWindowHidden);
    // Enter in either box is the same as clicking Ok.
    connect(password_, &QLineEdit::returnPressed, this, &PasswordDialog::confirmPassword);
    connect(retype_, &QLineEdit::returnPressed, this, &PasswordDialog::confirmPassword);
    // The dialog opens with the focus on Ok: a password typed then goes into the first empty box, so that
    // "type, Enter" and "type, Tab, type, Enter" do what the person meant.
    new TypingTarget({okButton_, cancelButton_}, [this] { return TypingTarget::FirstEmpty({password_, retype_}); });

    if (keptHidden_ != nullptr) {
        keptHidden_->setVisible(false);
    }
    layOutForMode();
    layouts::CentreOnScreen(this);
    raise();
    topMost::SetTopMost(this, true);
    password_->clear();
}

void PasswordDialog::layOutForMode() {
    if (mode_ == Mode::Create) {
        instruction_->setText(QStringLiteral("Because this is the first time you have used ") +
                              buildConfig::Current().productName +
                              QStringLiteral(", you will need to create a master password.  This password will be "
                                             "required to open the program from now on, and can not be reset.") +
                              QStringLiteral("\r\n\r\nPlease enter a password that you will not forget."));
        layouts::SetHeight(instruction_, 1500);
        layouts::SetTop(password_, 1700);
        layouts::SetTop(retype_, layouts::Height(password_) + 1700 + 60);
        layouts::SetTop(okButton_, layouts::Top(retype_) + layouts::Height(retype_) + 60);
        layouts::SetTop(cancelButton_, layouts::Top(okButton_));
        layouts::SetTop(retypeLabel_, layouts::Top(retype_));
        retypeLabel_->setVisible(true);
        layouts::SetTop(passwordLabel_, layouts::Top(password_));
        retype_->setVisible(true);
        layouts::SetOuterHeight(this, layouts::Top(okButton_) + layouts::Height(okButton_) + 60 + 500);
    } else {
        layouts::SetOuterHeight(this, 1845);
        instruction_->setText(QStringLiteral("Please enter your password"));
        layouts::SetTop(password_, 360);
        layouts::SetTop(okButton_, 780);
        layouts::SetTop(cancelButton_, 780);
        retypeLabel_->setVisible(false);
        layouts::SetTop(passwordLabel_, layouts::Top(password_));
        retype_->setVisible(false);
    }
}

void PasswordDialog::confirmPassword() {
    if (mode_ == Mode::Create) {
        acceptNew();
    } else {
        acceptEntered();
    }
}

void PasswordDialog::tell(const QString& text) {
    topMost::SetTopMost(this, false);
    seams::messageBox(text);
    topMost::SetTopMost(this, true);
    typeAgain();
}

void PasswordDialog::typeAgain() {
    password_->setFocus(Qt::OtherFocusReason);
    password_->selectAll();
}

void PasswordDialog::acceptNew() {
    const vault::MasterRefusal refusal =
        vault::CheckNewMaster(password_->text().toStdString(), retype_->text().toStdString());
    const std::string_view text = vault::MasterRefusalText(refusal);
    const QString message = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (refusal == vault::MasterRefusal::Mismatch) {
        topMost::SetTopMost(this, false);
        seams::messageBox(message);
        retype_->clear();
        password_->clear();
        topMost::SetTopMost(this, true);
        typeAgain();
        return;
    }
    if (refusal != vault::MasterRefusal::None) {
        tell(message);
        return;
    }
    acceptPassword(password_->text());
}

void PasswordDialog::acceptPassword(const QString& password) {
    accepted_ = true;
    keepHiddenTimer_->stop();
    emit passwordAccepted(password);
}

void PasswordDialog::storeFailed() {
    // Nothing was written: the user may try again or cancel.
    accepted_ = false;
    keepHiddenTimer_->start();
}

void PasswordDialog::acceptEntered() {
    if (isMasterPassword_ && isMasterPassword_(password_->text())) {
        acceptPassword(password_->text());
        return;
    }
    const seams::Answer answer =
        seams::messageBox(QStringLiteral("Sorry, the password you entered was not correct."),
                          {.buttons = seams::Buttons::RetryCancel}, QStringLiteral("Incorrect Password"));
    if (answer == seams::Answer::Retry) {
        ++wrongTries_;
        if (wrongTries_ == 3) {
            seams::messageBox(QStringLiteral("Only 3 tries allowed.  Click Ok to close."));
            keepHiddenTimer_->stop();
            // A failure, not the user's choice to leave: a script that started Keyshelf can tell the two apart.
            seams::EndProgram(1);
            return;
        }
        password_->clear();
        typeAgain();
        return;
    }
    keepHiddenTimer_->stop();
    seams::EndProgram();
}

void PasswordDialog::cancel() {
    keepHiddenTimer_->stop();
    seams::EndProgram();
}

void PasswordDialog::keepMainWindowHidden() {
    if (keptHidden_ != nullptr && keptHidden_->isVisible()) {
        keptHidden_->setVisible(false);
        // The desktop hands activation to the window below; make that this dialog.
        raise();
        activateWindow();
    }
}

void PasswordDialog::closeEvent(QCloseEvent* event) {
    if (!accepted_) {
        keepHiddenTimer_->stop();
        seams::EndProgram();
    }
    event->accept();
}
