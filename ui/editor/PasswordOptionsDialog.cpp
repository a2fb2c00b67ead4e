#include "PasswordOptionsDialog.h"

#include "UserSettings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace generatorSettings {

vault::PasswordOptions Load() {
    using namespace userSettings;
    vault::PasswordOptions options;
    options.length = static_cast<std::size_t>(value(kGenerateLength));
    vault::PasswordOptions chosen = options;
    chosen.lower = value(kGenerateLower) == 1;
    chosen.upper = value(kGenerateUpper) == 1;
    chosen.digits = value(kGenerateDigits) == 1;
    chosen.punctuation = value(kGeneratePunctuation) == 1;
    // Every kind turned off would make nothing: the kinds' defaults hold then.
    return chosen.valid() ? chosen : options;
}

bool Save(const vault::PasswordOptions& options) {
    using namespace userSettings;
    return store({{kGenerateLength, static_cast<int>(options.length)},
                  {kGenerateLower, options.lower ? 1 : 0},
                  {kGenerateUpper, options.upper ? 1 : 0},
                  {kGenerateDigits, options.digits ? 1 : 0},
                  {kGeneratePunctuation, options.punctuation ? 1 : 0}});
}

} // namespace generatorSettings

PasswordOptionsDialog::PasswordOptionsDialog(const vault::PasswordOptions& options, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("passwordOptions"));
    setWindowTitle(QStringLiteral("Generate Password"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    length_ = new QSpinBox(this);
    length_->setObjectName(QStringLiteral("length"));
    length_->setRange(static_cast<int>(vault::kMinGeneratedLength), static_cast<int>(vault::kMaxGeneratedLength));
    length_->setValue(static_cast<int>(options.length));
    form->addRow(QStringLiteral("&Length:"), length_);
    layout->addLayout(form);

    const auto box = [this, layout](const char* name, const QString& caption, bool ticked) {
        auto* check = new QCheckBox(caption, this);
        check->setObjectName(QLatin1String(name));
        check->setChecked(ticked);
        connect(check, &QCheckBox::toggled, this, &PasswordOptionsDialog::showChoice);
        layout->addWidget(check);
        return check;
    };
    lower_ = box("lower", QStringLiteral("Lo&wercase letters (a-z)"), options.lower);
    upper_ = box("upper", QStringLiteral("&Uppercase letters (A-Z)"), options.upper);
    digits_ = box("digits", QStringLiteral("&Digits (0-9)"), options.digits);
    // "&&" shows one "&"; the vault never stores the space or "|", so neither is offered.
    punctuation_ =
        box("punctuation", QStringLiteral("&Punctuation (!\"#$%&&'()*+,-./:;<=>?@[\\]^_`{}~)"), options.punctuation);

    note_ = new QLabel(QStringLiteral("Choose at least one kind of character."), this);
    note_->setObjectName(QStringLiteral("note"));
    layout->addWidget(note_);

    auto* buttons = new QDialogButtonBox(this);
    generate_ = buttons->addButton(QStringLiteral("&Generate"), QDialogButtonBox::AcceptRole);
    generate_->setObjectName(QStringLiteral("generate"));
    buttons->addButton(QDialogButtonBox::Cancel);
    generate_->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    showChoice();
    length_->setFocus();
    length_->selectAll();
}

vault::PasswordOptions PasswordOptionsDialog::options() const {
    vault::PasswordOptions options;
    options.length = static_cast<std::size_t>(length_->value());
    options.lower = lower_->isChecked();
    options.upper = upper_->isChecked();
    options.digits = digits_->isChecked();
    options.punctuation = punctuation_->isChecked();
    return options;
}

void PasswordOptionsDialog::showChoice() {
    const bool any = options().valid();
    generate_->setEnabled(any);
    note_->setVisible(!any);
}
