#include "ImportDialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

ImportDialog::ImportDialog(const QString& fileName, const vault::ImportFile& file, Planner planner, QWidget* parent)
    : QDialog(parent), file_(file), planner_(std::move(planner)) {
    setObjectName(QStringLiteral("importDialog"));
    setWindowTitle(tr("Import Passwords"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(this);
    heading->setTextFormat(Qt::PlainText); // a file's name is never markup
    heading->setText(tr("Import from %1").arg(QFileInfo(fileName).fileName()));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);

    report_ = new QLabel(this);
    report_->setObjectName(QStringLiteral("importReport"));
    report_->setTextFormat(Qt::PlainText); // the file's texts are never markup
    report_->setWordWrap(true);
    report_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    report_->setFocusPolicy(Qt::StrongFocus); // read by its text, and reached from the keyboard
    layout->addWidget(report_);

    auto* choice = new QLabel(tr("A login the list holds with another password:"), this);
    layout->addWidget(choice);
    besideButton_ = new QRadioButton(tr("&Add it beside the entry"), this);
    replaceButton_ = new QRadioButton(tr("&Give the entry the new password"), this);
    besideButton_->setChecked(true);
    auto* group = new QButtonGroup(this);
    group->addButton(besideButton_);
    group->addButton(replaceButton_);
    layout->addWidget(besideButton_);
    layout->addWidget(replaceButton_);
    choice->setBuddy(besideButton_);

    auto* buttons = new QDialogButtonBox(this);
    importButton_ = buttons->addButton(tr("&Import"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    importButton_->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(replaceButton_, &QRadioButton::toggled, this, &ImportDialog::showPlan);

    showPlan();
    importButton_->setFocus();
}

bool ImportDialog::replacePasswords() const {
    return replaceButton_->isChecked();
}

void ImportDialog::showPlan() {
    const bool replace = replacePasswords();
    const vault::ImportPlan plan = planner_(replace);
    QStringList lines;
    for (const std::string& line : vault::ImportReport(file_, plan, replace)) {
        lines << QString::fromStdString(line);
    }
    report_->setText(lines.join(QLatin1Char('\n')));
    const bool nothing = plan.additions.empty() && plan.replacements.empty();
    importButton_->setEnabled(!plan.tooMany && !nothing);
    adjustSize();
}
