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
    enum class Mode {
        Create, // the first run: a new master password, typed twice
        Enter,  // every later run: the stored master password
    };
    // Whether a typed password is the stored master password (asked in enter mode only).
    using Check = std::function<bool(const QString& typed)>;

    // Laid out for its mode and put on top. `keptHidden` (the main window) stays hidden while the dialog
    // is open.
    explicit PasswordDialog(Mode mode, Check isMasterPassword = {}, QWidget* keptHidden = nullptr,
                            QWidget* parent = nullptr);

    Mode mode() const { return mode_; }
    // Wrong passwords on which the user chose to retry; the third ends the program.
    int wrongTries() const { return wrongTries_; }
    // What `passwordAccepted` could not store after all: the dialog stays for another try.
    void storeFailed();

public slots:
    // Ok, or Enter in either box: checks what was typed for the mode.
    void accept();
    // Ends the program.
    void cancel();

signals:
    // Create mode: a new master password, checked and typed twice. Enter mode: the right password.
    // Handled at once; with no other reply the dialog's work is done.
    void passwordAccepted(const QString& password);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void layOutForMode();
    void acceptNew();
    void acceptEntered();
    // A message in create mode, shown with the dialog out of the topmost band.
    void tell(const QString& text);
    // After a refusal the person types again from the first box.
    void typeAgain();
    void acceptPassword(const QString& password);
    // Hides the main window again whenever something has shown it.
    void keepMainWindowHidden();

    QLabel* instruction_ = nullptr;
    QLabel* passwordLabel_ = nullptr;
    QLabel* retypeLabel_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* retype_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QTimer* keepHiddenTimer_ = nullptr;

    Mode mode_;
    Check isMasterPassword_;
    QPointer<QWidget> keptHidden_;
    int wrongTries_ = 0;
    bool accepted_ = false;
};
