// The master password dialog: creates the master password on the first run and asks for it on every
// later one. Every way out but success ends the program.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

class PasswordDialog : public QWidget {
    Q_OBJECT
public:
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

    // Lays the dialog out for its mode and puts it on top.
    void Form_Load();

    void cmdOK_Click();
    void cmdCancel_Click();
    void Timer1_Timer();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateModeOK();
    void EnterModeOK();
    // A message in create mode, shown with the dialog out of the topmost band.
    void Tell(const QString& text);
};
