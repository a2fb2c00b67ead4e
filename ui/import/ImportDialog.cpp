#include "ImportDialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

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

    // Every refused row is listed, hundreds of them in a large export: the report scrolls rather than
    // pushing the buttons off the screen.
    reportArea_ = new QScrollArea(this);
    reportArea_->setObjectName(QStringLiteral("importReportArea"));
    reportArea_->setWidgetResizable(true);
    reportArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    reportArea_->setFrameShape(QFrame::NoFrame);
    reportArea_->setFocusPolicy(Qt::NoFocus); // the report itself takes the focus
    report_ = new QLabel(reportArea_);
    report_->setObjectName(QStringLiteral("importReport"));
    report_->setTextFormat(Qt::PlainText); // the file's texts are never markup
    report_->setWordWrap(true);
    report_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    report_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    report_->setFocusPolicy(Qt::StrongFocus); // read by its text, and reached from the keyboard
    reportArea_->setWidget(report_);
    reportArea_->setMinimumWidth(report_->fontMetrics().averageCharWidth() * 72);
    layout->addWidget(reportArea_, 1);

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
    // As tall as the report up to about twenty lines; a longer one scrolls, and the window can be made taller.
    const int most = report_->fontMetrics().lineSpacing() * 20;
    reportArea_->setMinimumHeight(std::min(report_->heightForWidth(reportArea_->minimumWidth()), most));
    const bool nothing = plan.additions.empty() && plan.replacements.empty();
    importButton_->setEnabled(!plan.tooMany && !nothing);
    adjustSize();
}
