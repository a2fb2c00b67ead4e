// Change Master Password: the current master password, and the new one twice.
#pragma once

#include <QDialog>
#include <functional>

class QLineEdit;

class MasterPasswordDialog : public QDialog {
    Q_OBJECT
public:
    // Whether a text is the current master password.
    using IsCurrent = std::function<bool(const QString& typed)>;

    explicit MasterPasswordDialog(IsCurrent isCurrent, QWidget* parent = nullptr);

    QString newPassword() const;

    // OK: checks what was typed; a mistake is told in a message box and typed again, the dialog staying open.
    void accept() override;

private:
    IsCurrent isCurrent_;
    QLineEdit* current_ = nullptr;
    QLineEdit* typed_ = nullptr;
    QLineEdit* again_ = nullptr;
};
