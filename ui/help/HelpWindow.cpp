#include "HelpWindow.h"

#include "BuildConfiguration.h"
#include "Builder.h"
#include "FileExists.h"
#include "RtfDocument.h"
#include "Seams.h"
#include "TopMost.h"
#include "UserSettings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QShortcut>
#include <QTextEdit>

namespace {

// The box's states as the setting stores them: 0 cleared, 1 ticked, 2 greyed.
Qt::CheckState StateOf(int value) {
    return value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
}
int ValueOf(Qt::CheckState state) {
    return state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0;
}

QString DocumentPath() {
    return seams::ExecutableDir() + QStringLiteral("/Help.rtf");
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent) {
    using Control = layouts::HelpWindowDesign::Control;
    setAttribute(Qt::WA_DeleteOnClose);
    const auto built =
        layouts::Build<layouts::HelpWindowDesign>(this, [](const layouts::Control& c, QWidget* parent) -> QWidget* {
            if (c.kind != layouts::Kind::RichTextBox) {
                return nullptr;
            }
            auto* view = new QTextEdit(parent);
            view->setPlainText(QString::fromUtf8(c.caption));
            view->setReadOnly(true);
            view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
            return view;
        });
    view_ = built.get<QTextEdit>(Control::Document);
    // Escape closes the window, as it closes every small window of the desktop.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
    showAtStartup_ = built.get<QCheckBox>(Control::ShowAtStartup);
    view_->setAccessibleName(windowTitle());
    // The document's colours follow the view's palette (see fitColours).
    view_->installEventFilter(this);
    connect(showAtStartup_, &QCheckBox::stateChanged, this, &HelpWindow::saveShowAtStartup);
    // A greyed box that the user clicks becomes a plain ticked one.
    connect(showAtStartup_, &QCheckBox::clicked, this, [this] { showAtStartup_->setTristate(false); });

    loadDocument();
    topMost::SetTopMost(this, true);
    if (const std::optional<int> state = userSettings::stored(userSettings::kShowHelp)) {
        showAtStartup_->setTristate(*state == 2);
        showAtStartup_->setCheckState(StateOf(*state));
    }
}

bool HelpWindow::hasDocument() {
    return fileExists::FileExists(DocumentPath().toStdString());
}

void HelpWindow::loadDocument() {
    // A help document is a few pages; a file of many megabytes is no help document and would stall the
    // window, so it is left out like an unreadable one.
    constexpr qint64 kLargest = 4 * 1024 * 1024;
    QFile file(DocumentPath());
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLargest || !rtf::Load(*view_->document(), file.readAll())) {
        view_->clear(); // unreadable, or not RTF: the box stays without the document
    }
    fitColours();
    view_->moveCursor(QTextCursor::Start); // the reader starts at the top
}

void HelpWindow::saveShowAtStartup() {
    userSettings::store({{userSettings::kShowHelp, ValueOf(showAtStartup_->checkState())}});
}

void HelpWindow::fitColours() {
    // The help's colours were chosen for a white page: on a dark one they are lightened where needed.
    const QPalette colours = view_->palette();
    rtf::FitColours(*view_->document(), colours.color(QPalette::Base), colours.color(QPalette::Text));
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::PaletteChange) {
        fitColours();
    }
    return QWidget::eventFilter(watched, event);
}

void HelpWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}
