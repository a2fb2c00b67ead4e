#include "MainWindow.h"

#include "BuildConfiguration.h"
#include "Builder.h"
#include "FindBox.h"
#include "ListSorting.h"
#include "OpenerReport.h"
#include "ProgramIcon.h"
#include "Seams.h"
#include "SecretClipboard.h"
#include "Twips.h"
#include "WebAddress.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <functional>

namespace {

template <class T> T* Find(QObject* window, const QString& name) {
    return window->findChild<T*>(name);
}

// A field as a message shows it: a text of many thousands of characters would stall the window that
// lays it out, so a very long one shows its start and an ellipsis.
QString Shown(const QString& field) {
    constexpr qsizetype kLongest = 500;
    return field.size() > kLongest ? field.left(kLongest) + QChar(0x2026) : field;
}

// Calls `then` once the shown `window` has had its first paint: Qt paints a window when it is first exposed,
// so the call is queued behind that expose (or at once, queued, when the window is exposed already).
class AfterFirstPaint : public QObject {
public:
    AfterFirstPaint(QWidget* window, std::function<void()> then) : QObject(window), then_(std::move(then)) {
        QWindow* handle = window->windowHandle();
        if (handle == nullptr || handle->isExposed()) {
            Run();
        } else {
            handle->installEventFilter(this);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            Run();
        }
        return false;
    }

private:
    void Run() {
        QTimer::singleShot(0, this, [this] {
            then_();
            deleteLater();
        });
    }

    std::function<void()> then_;
};

} // namespace

MainWindow::MainWindow(EntryStore* entries, QWidget* parent) : QMainWindow(parent) {
    layouts::Build(this, layouts::Form1, [](const layouts::Control& c, QWidget* parent) -> QWidget* {
        switch (c.kind) {
        case layouts::Kind::ListView:
            return new ListView(parent);
        case layouts::Kind::WebBrowser: {
            // The band itself is made only when the banner is shown; until then this is its place.
            auto* place = new QWidget(parent);
            place->setFocusPolicy(Qt::NoFocus);
            return place;
        }
        default:
            return nullptr;
        }
    });
    cmdAdd[0] = Find<QToolButton>(this, "cmdAdd(0)");
    cmdEdit = Find<QToolButton>(this, "cmdEdit");
    cmdDelete = Find<QToolButton>(this, "cmdDelete");
    cmdWebsite[0] = Find<QToolButton>(this, "cmdWebsite(0)");
    lstPass = Find<ListView>(this, "lstPass");
    lstPass->setEntries(entries);
    for (int i = 0; i < 3; ++i) {
        cmdCopy[i] = Find<QToolButton>(this, QStringLiteral("cmdCopy(%1)").arg(i));
    }
    cmdGoto = Find<QToolButton>(this, "cmdGoto");
    StatusBar1 = Find<QStatusBar>(this, "StatusBar1");
    wbPicture = Find<QLabel>(this, "wbPicture");
    wbBanner = Find<QWidget>(this, "wbBanner");
    mnuFile = Find<QMenu>(this, "mnuFile");
    mnuData = Find<QMenu>(this, "mnuData");
    mnuCopy = Find<QMenu>(this, "mnuCopy");
    mnuHelp = Find<QMenu>(this, "mnuHelp");
    mnuAbout = Find<QMenu>(this, "mnuAbout");
    auto items = [this](auto& group, const char* name) {
        for (std::size_t i = 0; i < group.size(); ++i) {
            group[i] = Find<QAction>(this, QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i));
        }
    };
    items(mnuFileItem, "mnuFileItem");
    items(mnuDataItem, "mnuDataItem");
    items(mnuCopyItem, "mnuCopyItem");
    items(mnuHelpItem, "mnuHelpItem");
    items(mnuAboutItem, "mnuAboutItem");

    // The status line is the bar's first panel.
    statusPanel_ = new QLabel(StatusBar1);
    ConnectCommands();
    statusPanel_->setObjectName(QStringLiteral("Panel1"));
    statusPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusBar1->addWidget(statusPanel_);
    lstPass->setAccessibleName(QStringLiteral("Entries"));
}

void MainWindow::ConnectCommands() {
    connect(cmdAdd[0], &QToolButton::clicked, this, [this] { cmdAdd_Click(0); });
    connect(cmdEdit, &QToolButton::clicked, this, &MainWindow::cmdEdit_Click);
    connect(cmdDelete, &QToolButton::clicked, this, &MainWindow::cmdDelete_Click);
    connect(cmdGoto, &QToolButton::clicked, this, &MainWindow::cmdGoto_Click);
    for (int i = 0; i < static_cast<int>(cmdCopy.size()); ++i) {
        connect(cmdCopy[i], &QToolButton::clicked, this, [this, i] { cmdCopy_Click(i); });
    }
    // The menus: Exit; Add, Delete, Edit, Go To; the three copies; Help; About.
    connect(mnuFileItem[0], &QAction::triggered, this, &QWidget::close);
    connect(mnuDataItem[0], &QAction::triggered, this, [this] { cmdAdd_Click(0); });
    connect(mnuDataItem[1], &QAction::triggered, this, &MainWindow::cmdDelete_Click);
    connect(mnuDataItem[2], &QAction::triggered, this, &MainWindow::cmdEdit_Click);
    connect(mnuDataItem[3], &QAction::triggered, this, &MainWindow::cmdGoto_Click);
    for (int i = 0; i < static_cast<int>(mnuCopyItem.size()); ++i) {
        connect(mnuCopyItem[i], &QAction::triggered, this, [this, i] { cmdCopy_Click(i); });
    }
    connect(mnuHelpItem[0], &QAction::triggered, this, &MainWindow::helpRequested);
    connect(mnuAboutItem[0], &QAction::triggered, this, &MainWindow::aboutRequested);
    connect(lstPass, &ListView::ColumnClick, this, &MainWindow::lstPass_ColumnClick);
    // The list's own keys run the same commands as the buttons; the focus stays on the list.
    connect(lstPass, &ListView::copyRequested, this, [this](int field) {
        cmdCopy_Click(field);
        lstPass->setFocus();
    });
    connect(lstPass, &ListView::deleteRequested, this, [this] {
        cmdDelete_Click();
        lstPass->setFocus();
    });
    connect(lstPass, &ListView::editRequested, this, [this] { cmdEdit_Click(); });
    connect(cmdWebsite[0], &QToolButton::clicked, this, [this] { cmdWebsite_Click(0); });
    // The desktop's keys: F1 for the help, F10 for the menus (the first one opens; the arrows go on).
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this, &MainWindow::helpRequested);
    connect(new QShortcut(QKeySequence(Qt::Key_F10), this), &QShortcut::activated, this, [this] {
        const QList<QAction*> menus = menuBar()->actions();
        if (!menus.isEmpty()) {
            menuBar()->setActiveAction(menus.first());
        }
    });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this), &QShortcut::activated, this,
            &MainWindow::OpenFind);
    connect(new QShortcut(QKeySequence(Qt::Key_F3), this), &QShortcut::activated, this, [this] { FindNext(true); });
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this), &QShortcut::activated, this,
            [this] { FindNext(false); });
}

void MainWindow::cmdAdd_Click(int) {
    emit addRequested();
}

void MainWindow::cmdEdit_Click() {
    const int row = lstPass->firstSelected();
    if (row == 0) {
        SetStatusText(QStringLiteral("You must first select an entry to edit."));
        return;
    }
    emit editRequested(lstPass->entries()->rowId(row), lstPass->entries()->item(row));
}

void MainWindow::cmdDelete_Click() {
    const int row = lstPass->firstSelected();
    if (row == 0) {
        SetStatusText(QStringLiteral("You must first select an entry to delete."));
        return;
    }
    const ListEntry entry = lstPass->entries()->item(row);
    const QString question = QStringLiteral("Are you sure you want to delete the following information?") +
                             QStringLiteral("\r\n\r\nUsername: ") + Shown(entry.username) +
                             QStringLiteral("\r\nPassword: ") + Shown(entry.password) +
                             QStringLiteral("\r\nUsed At: ") + Shown(entry.location);
    if (seams::MsgBox(question, seams::vbOKCancel, QStringLiteral("Confirm Delete")) != seams::vbOK) {
        SetStatusText(QStringLiteral("Entry not deleted, cancelled by user"));
        return;
    }
    emit removeRequested(lstPass->entries()->rowId(row));
}

void MainWindow::SelectEntry(int position) {
    lstPass->setSelected(position, true);
}

void MainWindow::SelectOnly(int position) {
    lstPass->selectOnly(position);
}

std::optional<ListEntry> MainWindow::SelectedEntry() const {
    const int row = lstPass->firstSelected();
    if (row == 0) {
        return std::nullopt;
    }
    return lstPass->entries()->item(row);
}

QString MainWindow::GotoTarget(const QString& location) {
    return webAddress::GotoTarget(location);
}

void MainWindow::cmdGoto_Click() {
    const int row = lstPass->firstSelected();
    if (row == 0) {
        SetStatusText(QStringLiteral("You must first select an entry to go to."));
        return;
    }
    SetStatusText(QStringLiteral("Opening Location..."));
    // The location is the user's text: it goes to the desktop's opener as one argument, never through a
    // shell. The opener is not waited for; when it ends with a failure the status line says so, even if
    // something else has been said since, unless another Go To has started meanwhile: that one's
    // outcome is the news then.
    const QString location = lstPass->subItem(row, 2);
    const QString target = GotoTarget(location);
    constexpr qsizetype kShownLocation = 80;
    const auto fail = [this, location](const QString& reason) { // kept by the watch of the opener too
        SetStatusText(
            QStringLiteral("Could not open %1: %2").arg(openerReport::OneLine(location, kShownLocation), reason));
    };
    // Refused before the opener starts, as the location's own fault: xdg-open would read a leading "-" as
    // one of its options; a line break makes its desktop tools read one argument as several lines (a
    // .desktop file's Exec line, a URL list), and a NUL would cut the argument short.
    if (target.startsWith(QLatin1Char('-'))) {
        fail(QStringLiteral("a location can not begin with \"-\"."));
        return;
    }
    if (target.contains(QLatin1Char('\n')) || target.contains(QLatin1Char('\r'))) {
        fail(QStringLiteral("a location can not hold a line break."));
        return;
    }
    if (target.contains(QChar(0))) {
        fail(QStringLiteral("a location can not hold a NUL character."));
        return;
    }
    const quint64 launch = ++gotoLaunches_;
    const seams::LaunchResult launched = seams::StartWatched(
        QStringLiteral("xdg-open"), {target}, this, [this, launch, fail](int waitStatus, const QByteArray& errorTail) {
            const QString reason = openerReport::FailureReason(waitStatus, errorTail);
            if (!reason.isEmpty() && launch == gotoLaunches_) {
                fail(reason);
            }
        });
    if (launched) {
        return;
    }
    if (launched.tooLong()) {
        SetStatusText(QStringLiteral("Could not open the location: it is too long to hand to xdg-open."));
    } else if (launched.notFound()) {
        SetStatusText(QStringLiteral("Could not open the location: xdg-open could not be started."));
    } else {
        SetStatusText(QStringLiteral("Could not open the location: xdg-open could not be started (%1).")
                          .arg(qt_error_string(launched.error)));
    }
}

void MainWindow::cmdCopy_Click(int index) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    const int row = lstPass->firstSelected();
    if (row == 0) {
        SetStatusText(QStringLiteral("You must first select a row to copy from."));
        return;
    }
    static const char* const kCopied[] = {"Copied Username ", "Copied Password ", "Copied Location "};
    if (index < 0 || index > 2) {
        return;
    }
    const QString value = lstPass->entries()->field(row, index);
    // Marked so that clipboard managers keep no history of it, and cleared at exit.
    secretClipboard::Copy(value);
    SetStatusText(QLatin1String(kCopied[index]) + Shown(value));
}

void MainWindow::cmdWebsite_Click(int) {
    emit websiteRequested();
}

void MainWindow::OpenFind() {
    if (findBox_ == nullptr) {
        findBox_ = new FindBox(this);
        connect(findBox_, &FindBox::findRequested, this, &MainWindow::FindNext);
        // The focus goes back to the list, on the entry found.
        connect(findBox_, &FindBox::closed, this, [this] {
            activateWindow();
            lstPass->setFocus();
        });
        emit windowMade(findBox_);
    }
    // Over the list's bottom right corner, inside its frame.
    QWidget* rows = lstPass->viewport();
    findBox_->Open(rows->mapToGlobal(rows->rect().bottomRight()) - QPoint(8, 8));
}

void MainWindow::FindNext(bool forward) {
    if (findBox_ == nullptr || findBox_->text().isEmpty()) {
        OpenFind();
        return;
    }
    const QString text = findBox_->text();
    const std::vector<int> found = lstPass->entries()->matches(text);
    if (found.empty()) {
        ReportFind(QStringLiteral("No entry matches \"%1\"").arg(Shown(text)));
        return;
    }
    // From the entry found last (or the one the user selected since), round the ends.
    const int current = lstPass->currentPosition();
    const int from = current != 0 && lstPass->selected(current) ? current : 0;
    std::vector<int>::const_iterator at;
    if (forward) {
        at = std::upper_bound(found.begin(), found.end(), from);
        if (at == found.end()) {
            at = found.begin();
        }
    } else {
        at = std::lower_bound(found.begin(), found.end(), from == 0 ? lstPass->count() + 1 : from);
        at = at == found.begin() ? found.end() - 1 : at - 1;
    }
    lstPass->selectOnly(*at);
    ReportFind(QStringLiteral("Found %1 of %2").arg(at - found.begin() + 1).arg(found.size()));
}

void MainWindow::ReportFind(const QString& result) {
    SetStatusText(result);
    findBox_->ShowResult(result);
}

void MainWindow::lstPass_ColumnClick(int header) {
    listSorting::SortByColumn(lstPass, header);
}

void MainWindow::Form_Load() {
    using namespace buildConfig;
    setWindowTitle(strProductName + QStringLiteral(" by ") + strCompanyName);
    cmdWebsite[0]->setText(QStringLiteral("Visit ") + strComments);
    lstPass->addColumnHeader(QStringLiteral("Username"), layouts::Width(cmdCopy[0]) - 10);
    lstPass->addColumnHeader(QStringLiteral("Password"), layouts::Width(cmdCopy[1]) + 20);
    lstPass->addColumnHeader(QStringLiteral("Website/Location"), layouts::Width(cmdCopy[2]));
    statusPanel_->setFixedWidth(twips::ToPixels(std::abs(layouts::OuterWidth(this))));
    emit loaded();
}

void MainWindow::Form_Resize() {
    if (isMinimized() || lstPass == nullptr) {
        return;
    }
    layouts::SetWidth(lstPass, std::abs(layouts::OuterWidth(this) - 2 * layouts::Left(lstPass)));
    layouts::SetHeight(lstPass, std::abs(layouts::OuterHeight(this) - layouts::Top(lstPass) - 1000));
}

bool MainWindow::Form_QueryUnload() {
    return true;
}

void MainWindow::Form_Unload() {
    // A copied field does not outlive the program on the clipboard, unless the user has copied something
    // else since.
    secretClipboard::ClearIfStillCopied();
    if (findBox_ != nullptr) {
        findBox_->close();
    }
    emit closing();
}

MainWindow::~MainWindow() {
    delete findBox_;
}

void MainWindow::afterFormLoad() {
    using namespace buildConfig;
    programIcon::SetWindowIcon(this, QStringLiteral("AAA"), true);
    setVisible(true);
    if (Bannered()) {
        const int room = layouts::Height(wbBanner) + 50;
        layouts::SetOuterHeight(this, std::abs(room + layouts::OuterHeight(this)));
        layouts::SetTop(lstPass, std::abs(room + layouts::Top(lstPass)));
        // The list keeps its bottom where the resize rule puts it, below the band it made room for.
        Form_Resize();
        // The band asks for its page once the window and its list are painted on the screen, not before.
        new AfterFirstPaint(this, [this] { emit bannerDue(); });
    }
}

void MainWindow::SetStatusText(const QString& text) {
    statusPanel_->setText(text);
    // Qt names a status bar by its passing message, which this one never shows; a screen reader that
    // reads the bar itself gets the status line.
    StatusBar1->setAccessibleName(text);
}

QString MainWindow::StatusText() const {
    return statusPanel_->text();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        Form_Resize();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!Form_QueryUnload()) {
        event->ignore();
        return;
    }
    event->accept();
    Form_Unload();
}
