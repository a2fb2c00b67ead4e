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

namespace {

template <class T> T* Control(QWidget* window, const char* name) {
    return window->findChild<T*>(QString::fromUtf8(name));
}

} // namespace

PasswordDialog::PasswordDialog(QWidget* parent) : QWidget(parent) {
    layouts::Build(this, layouts::frmPass);
    SkinLabel1 = Control<QLabel>(this, "SkinLabel1");
    SkinLabel2 = Control<QLabel>(this, "SkinLabel2");
    SkinLabel3 = Control<QLabel>(this, "SkinLabel3");
    txtPass = Control<QLineEdit>(this, "txtPass");
    txtPass2 = Control<QLineEdit>(this, "txtPass2");
    cmdOK = Control<QPushButton>(this, "cmdOK");
    cmdCancel = Control<QPushButton>(this, "cmdCancel");
    Timer1 = Control<QTimer>(this, "Timer1");
    // A screen reader names each box by the label beside it; the instruction above is read on its own.
    SkinLabel2->setBuddy(txtPass);
    SkinLabel3->setBuddy(txtPass2);

    connect(cmdOK, &QPushButton::clicked, this, &PasswordDialog::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &PasswordDialog::cmdCancel_Click);
    connect(Timer1, &QTimer::timeout, this, &PasswordDialog::Timer1_Timer);
    // Enter in either box is the same as clicking Ok.
    connect(txtPass, &QLineEdit::returnPressed, this, &PasswordDialog::cmdOK_Click);
    connect(txtPass2, &QLineEdit::returnPressed, this, &PasswordDialog::cmdOK_Click);
    // The dialog opens with the focus on Ok: a password typed then goes into the first empty box, so that
    // "type, Enter" and "type, Tab, type, Enter" do what the person meant.
    new TypingTarget({cmdOK, cmdCancel}, [this] { return TypingTarget::FirstEmpty({txtPass, txtPass2}); });
}

void PasswordDialog::Form_Load(bool createMode, Check isMasterPassword, QWidget* keptHidden) {
    createMode_ = createMode;
    isMasterPassword_ = std::move(isMasterPassword);
    keptHidden_ = keptHidden;
    accepted_ = false;
    if (keptHidden_ != nullptr) {
        keptHidden_->setVisible(false);
    }
    intTries = 0;
    if (createMode_) {
        SkinLabel1->setText(QStringLiteral("Because this is the first time you have used ") +
                            buildConfig::strProductName +
                            QStringLiteral(", you will need to create a master password.  This password will be "
                                           "required to open the program from now on, and can not be reset.") +
                            QStringLiteral("\r\n\r\nPlease enter a password that you will not forget."));
        layouts::SetHeight(SkinLabel1, 1500);
        layouts::SetTop(txtPass, 1700);
        layouts::SetTop(txtPass2, layouts::Height(txtPass) + 1700 + 60);
        layouts::SetTop(cmdOK, layouts::Top(txtPass2) + layouts::Height(txtPass2) + 60);
        layouts::SetTop(cmdCancel, layouts::Top(cmdOK));
        layouts::SetTop(SkinLabel3, layouts::Top(txtPass2));
        SkinLabel3->setVisible(true);
        layouts::SetTop(SkinLabel2, layouts::Top(txtPass));
        txtPass2->setVisible(true);
        layouts::SetOuterHeight(this, layouts::Top(cmdOK) + layouts::Height(cmdOK) + 60 + 500);
    } else {
        layouts::SetOuterHeight(this, 1845);
        SkinLabel1->setText(QStringLiteral("Please enter your password"));
        layouts::SetTop(txtPass, 360);
        layouts::SetTop(cmdOK, 780);
        layouts::SetTop(cmdCancel, 780);
        SkinLabel3->setVisible(false);
        layouts::SetTop(SkinLabel2, layouts::Top(txtPass));
        txtPass2->setVisible(false);
    }
    layouts::CentreOnScreen(this);
    raise();
    topMost::SetTopMost(this, true);
    QCoreApplication::processEvents();
    txtPass->clear();
}

void PasswordDialog::cmdOK_Click() {
    if (createMode_) {
        CreateModeOK();
    } else {
        EnterModeOK();
    }
}

void PasswordDialog::Tell(const QString& text) {
    topMost::SetTopMost(this, false);
    seams::MsgBox(text, seams::vbOKOnly);
    topMost::SetTopMost(this, true);
    TypeAgain();
}

void PasswordDialog::TypeAgain() {
    txtPass->setFocus(Qt::OtherFocusReason);
    txtPass->selectAll();
}

void PasswordDialog::CreateModeOK() {
    const vault::MasterRefusal refusal =
        vault::CheckNewMaster(txtPass->text().toStdString(), txtPass2->text().toStdString());
    const std::string_view text = vault::MasterRefusalText(refusal);
    const QString message = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (refusal == vault::MasterRefusal::Mismatch) {
        topMost::SetTopMost(this, false);
        seams::MsgBox(message, seams::vbOKOnly);
        txtPass2->clear();
        txtPass->clear();
        topMost::SetTopMost(this, true);
        TypeAgain();
        return;
    }
    if (refusal != vault::MasterRefusal::None) {
        Tell(message);
        return;
    }
    Accept(txtPass->text());
}

void PasswordDialog::Accept(const QString& password) {
    accepted_ = true;
    Timer1->stop();
    emit passwordAccepted(password);
}

void PasswordDialog::NotStored() {
    // Nothing was written: the user may try again or cancel.
    accepted_ = false;
    Timer1->start();
}

void PasswordDialog::EnterModeOK() {
    if (isMasterPassword_ && isMasterPassword_(txtPass->text())) {
        Accept(txtPass->text());
        return;
    }
    const int answer = seams::MsgBox(QStringLiteral("Sorry, the password you entered was not correct."),
                                     seams::vbRetryCancel, QStringLiteral("Incorrect Password"));
    if (answer == seams::vbRetry) {
        ++intTries;
        if (intTries == 3) {
            seams::MsgBox(QStringLiteral("Only 3 tries allowed.  Click Ok to close."), seams::vbOKOnly);
            Timer1->stop();
            // A failure, not the user's choice to leave: a script that started Keyshelf can tell the two apart.
            seams::EndProgram(1);
            return;
        }
        txtPass->clear();
        TypeAgain();
        return;
    }
    Timer1->stop();
    seams::EndProgram();
}

void PasswordDialog::cmdCancel_Click() {
    Timer1->stop();
    seams::EndProgram();
}

void PasswordDialog::Timer1_Timer() {
    if (keptHidden_ != nullptr && keptHidden_->isVisible()) {
        keptHidden_->setVisible(false);
        // The desktop hands activation to the window below; make that this dialog.
        raise();
        activateWindow();
    }
}

void PasswordDialog::closeEvent(QCloseEvent* event) {
    if (!accepted_) {
        Timer1->stop();
        seams::EndProgram();
    }
    event->accept();
}
