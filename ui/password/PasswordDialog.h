// The master password dialog: creates the master password on the first run and asks for it on every
// later one. Every way out but success ends the program.
//
// The dialog knows no vault: it is told its mode and how to check a typed password, and reports the
// password it accepted; whoever opened it stores or loads.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

class PasswordDialog : public QWidget {
    Q_OBJECT
public:
    // Whether a typed password is the stored master password (asked in enter mode only).
    using Check = std::function<bool(const QString& typed)>;

    explicit PasswordDialog(QWidget* parent = nullptr);

    QLabel* SkinLabel1 = nullptr;
    QLabel* SkinLabel2 = nullptr;
    QLabel* SkinLabel3 = nullptr;
    QLineEdit* txtPass = nullptr;
    QLineEdit* txtPass2 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QTimer* Timer1 = nullptr;

    // Wrong passwords on which the user chose to retry.
    qint16 intTries = 0;

    // Lays the dialog out for its mode and puts it on top. `keptHidden` (the main window) stays hidden
    // while the dialog is open.
    void Form_Load(bool createMode, Check isMasterPassword = {}, QWidget* keptHidden = nullptr);
    bool createMode() const { return createMode_; }
    // What `passwordAccepted` could not store after all: the dialog stays for another try.
    void NotStored();

    void cmdOK_Click();
    void cmdCancel_Click();
    void Timer1_Timer();

signals:
    // Create mode: a new master password, checked and typed twice. Enter mode: the right password.
    // Handled at once; with no other reply the dialog's work is done.
    void passwordAccepted(const QString& password);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateModeOK();
    void EnterModeOK();
    // A message in create mode, shown with the dialog out of the topmost band.
    void Tell(const QString& text);
    // After a refusal the person types again from the first box.
    void TypeAgain();
    void Accept(const QString& password);

    bool createMode_ = false;
    bool accepted_ = false;
    Check isMasterPassword_;
    QPointer<QWidget> keptHidden_;
};
