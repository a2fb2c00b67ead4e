#include "HelpWindow.h"

#include "BuildConfiguration.h"
#include "Builder.h"
#include "RtfDocument.h"
#include "Seams.h"
#include "TopMost.h"
#include "FileExists.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QShortcut>
#include <QFile>
#include <QSettings>
#include <QTextEdit>

namespace {

const QString kSetting = QStringLiteral("Settings/showHelp");

// The box's states as the setting stores them: 0 cleared, 1 ticked, 2 greyed.
Qt::CheckState StateOf(int value) {
    return value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
}
int ValueOf(Qt::CheckState state) {
    return state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0;
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    layouts::Build(this, layouts::Form8, [](const layouts::Control& c, QWidget* parent) -> QWidget* {
        if (c.kind != layouts::Kind::RichTextBox) {
            return nullptr;
        }
        auto* view = new QTextEdit(parent);
        view->setPlainText(QString::fromUtf8(c.caption));
        view->setReadOnly(true);
        view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        return view;
    });
    rtf1 = findChild<QTextEdit*>(QStringLiteral("rtf1"));
    // Escape closes the window, as it closes every small window of the desktop.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
    Check1 = findChild<QCheckBox*>(QStringLiteral("Check1"));
    rtf1->setAccessibleName(windowTitle());
    // The document's colours follow the view's palette (see FitColours).
    rtf1->installEventFilter(this);
    connect(Check1, &QCheckBox::stateChanged, this, &HelpWindow::Check1_Click);
    // A greyed box that the user clicks becomes a plain ticked one.
    connect(Check1, &QCheckBox::clicked, this, [this] { Check1->setTristate(false); });
}

QString HelpWindow::HelpPath() {
    return seams::ExecutableDir() + QStringLiteral("/Help.rtf");
}

void HelpWindow::Form_Load() {
    const QString path = HelpPath();
    if (!fileExists::FileExists(path.toStdString())) {
        // No document, no window: the one made for this request goes again unseen.
        close();
        return;
    }
    // A help document is a few pages; a file of many megabytes is no help document and would stall the
    // window, so it is left out like an unreadable one.
    constexpr qint64 kLargest = 4 * 1024 * 1024;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLargest || !rtf::Load(*rtf1->document(), file.readAll())) {
        rtf1->clear(); // unreadable, or not RTF: the box stays without the document
    }
    FitColours();
    rtf1->moveCursor(QTextCursor::Start); // the reader starts at the top

    topMost::SetTopMost(this, true);
    bool number = false;
    const int state = seams::OpenSettings()->value(kSetting, QStringLiteral("1")).toString().toShort(&number);
    if (number && state >= 0 && state <= 2) {
        Check1->setTristate(state == 2);
        Check1->setCheckState(StateOf(state));
    }
}

void HelpWindow::Check1_Click() {
    auto settings = seams::OpenSettings();
    settings->setValue(kSetting, QString::number(ValueOf(Check1->checkState())));
    // Written through at once: the program may end without another chance.
    settings->sync();
}

void HelpWindow::FitColours() {
    // The help's colours were chosen for a white page: on a dark one they are lightened where needed.
    const QPalette colours = rtf1->palette();
    rtf::FitColours(*rtf1->document(), colours.color(QPalette::Base), colours.color(QPalette::Text));
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == rtf1 && event->type() == QEvent::PaletteChange) {
        FitColours();
    }
    return QWidget::eventFilter(watched, event);
}

void HelpWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}
