// How "Generate Password" makes a password: the length and the kinds of character, chosen in a small window
// of their own and remembered in [Settings] of Keyshelf.ini.
#pragma once

#include "PasswordGenerator.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace generatorSettings {

// The remembered options; a value that is missing or not one the generator takes counts as its default,
// and no kind chosen at all as every kind.
vault::PasswordOptions Load();
// Remembers `options`; false when Keyshelf.ini could not be written.
bool Save(const vault::PasswordOptions& options);

} // namespace generatorSettings

// The window: a length and a box for each kind of character. Generate is offered only while at least one
// kind is ticked; a note beside the boxes says so when none is.
class PasswordOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit PasswordOptionsDialog(const vault::PasswordOptions& options, QWidget* parent = nullptr);

    vault::PasswordOptions options() const;

private:
    void showChoice();

    QSpinBox* length_ = nullptr;
    QCheckBox* lower_ = nullptr;
    QCheckBox* upper_ = nullptr;
    QCheckBox* digits_ = nullptr;
    QCheckBox* punctuation_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* generate_ = nullptr;
};
