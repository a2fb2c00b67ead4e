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
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <utility>

namespace {

// A field as a message shows it: a text of many thousands of characters would stall the window that
// lays it out, so a very long one shows its start and an ellipsis.
QString Shown(const QString& field) {
    constexpr qsizetype kLongest = 500;
    return field.size() > kLongest ? field.left(kLongest) + QChar(0x2026) : field;
}

// A field's name or header as the table of fields words it.
QString FieldText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
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
    using Design = layouts::MainWindowDesign;
    using Control = Design::Control;
    const auto built = layouts::Build<Design>(this, [](const layouts::Control& c, QWidget* parent) -> QWidget* {
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
    addButton_ = built.get<QToolButton>(Control::Add);
    editButton_ = built.get<QToolButton>(Control::Edit);
    deleteButton_ = built.get<QToolButton>(Control::Delete);
    gotoButton_ = built.get<QToolButton>(Control::Goto);
    websiteButton_ = built.get<QToolButton>(Control::Website);
    copyButtons_ = {built.get<QToolButton>(Control::CopyUsername), built.get<QToolButton>(Control::CopyPassword),
                    built.get<QToolButton>(Control::CopyLocation)};
    list_ = built.get<ListView>(Control::List);
    list_->setEntries(entries);
    statusBar_ = built.get<QStatusBar>(Control::StatusBar);
    bannerPlace_ = built.get<QWidget>(Control::Banner);
    bannerPicture_ = built.get<QWidget>(Control::BannerPicture);

    statusPanel_ = new QLabel(statusBar_);
    connectCommands(built);
    statusPanel_->setObjectName(QStringLiteral("Panel1"));
    statusPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusBar_->addWidget(statusPanel_);
    list_->setAccessibleName(QStringLiteral("Entries"));
    setAcceptDrops(true); // a .csv file dropped anywhere on the window is imported

    const BuildConfiguration& build = buildConfig::Current();
    setWindowTitle(build.productName + QStringLiteral(" by ") + build.companyName);
    websiteButton_->setText(QStringLiteral("Visit ") + build.comments);
    // Each column stands under its field's copy button, about as wide.
    const vault::FieldValues<int> beyondButton{-10, 20, 0};
    for (const Field field : vault::kFields) {
        if (EntryListModel::columnOf(field) >= 0) {
            list_->addColumnHeader(FieldText(vault::Describe(field).header),
                                   layouts::Width(copyButtons_[field]) + beyondButton[field]);
        }
    }
    statusPanel_->setFixedWidth(twips::ToPixels(std::abs(layouts::OuterWidth(this))));
}

void MainWindow::connectCommands(const layouts::Built<layouts::MainWindowDesign>& built) {
    using Item = layouts::MainWindowDesign::MenuItem;
    connect(addButton_, &QToolButton::clicked, this, &MainWindow::addEntry);
    connect(editButton_, &QToolButton::clicked, this, &MainWindow::editEntry);
    connect(deleteButton_, &QToolButton::clicked, this, &MainWindow::deleteEntry);
    connect(gotoButton_, &QToolButton::clicked, this, &MainWindow::openLocation);
    for (const Field field : vault::kFields) {
        if (copyButtons_[field] != nullptr) {
            connect(copyButtons_[field], &QToolButton::clicked, this, [this, field] { copyField(field); });
        }
    }
    connect(websiteButton_, &QToolButton::clicked, this, &MainWindow::openWebsite);
    connect(built.item(Item::Exit), &QAction::triggered, this, &QWidget::close);
    connect(built.item(Item::Add), &QAction::triggered, this, &MainWindow::addEntry);
    connect(built.item(Item::Delete), &QAction::triggered, this, &MainWindow::deleteEntry);
    connect(built.item(Item::Edit), &QAction::triggered, this, &MainWindow::editEntry);
    connect(built.item(Item::Goto), &QAction::triggered, this, &MainWindow::openLocation);
    connect(built.item(Item::CopyUsername), &QAction::triggered, this, [this] { copyField(Field::Username); });
    connect(built.item(Item::CopyPassword), &QAction::triggered, this, [this] { copyField(Field::Password); });
    connect(built.item(Item::CopyLocation), &QAction::triggered, this, [this] { copyField(Field::Location); });
    connect(built.item(Item::ViewHelp), &QAction::triggered, this, &MainWindow::helpRequested);
    connect(built.item(Item::About), &QAction::triggered, this, &MainWindow::aboutRequested);
    // Each designed item shows its key beside its caption. Ctrl+C stays the list's copy of the current cell,
    // so the password has Ctrl+Shift+C; the rest follow other password managers' keys.
    const std::pair<Item, QList<QKeySequence>> keys[] = {
        {Item::Exit, {QKeySequence(Qt::CTRL | Qt::Key_Q)}},
        {Item::Add, {QKeySequence(Qt::CTRL | Qt::Key_N)}},
        {Item::Delete, {QKeySequence(Qt::Key_Delete)}},
        {Item::Edit, {QKeySequence(Qt::CTRL | Qt::Key_E), QKeySequence(Qt::Key_F2)}},
        {Item::Goto, {QKeySequence(Qt::CTRL | Qt::Key_U)}},
        {Item::CopyUsername, {QKeySequence(Qt::CTRL | Qt::Key_B)}},
        {Item::CopyPassword, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)}},
        {Item::CopyLocation, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U)}},
        {Item::ViewHelp, {QKeySequence(Qt::Key_F1)}},
    };
    for (const auto& [item, sequences] : keys) {
        built.item(item)->setShortcuts(sequences);
    }
    connect(list_, &ListView::columnClicked, this, &MainWindow::sortByColumn);
    // The list's own keys run the same commands as the buttons; the focus stays on the list.
    connect(list_, &ListView::copyRequested, this, [this](Field field) {
        copyField(field);
        list_->setFocus();
    });
    connect(list_, &ListView::deleteRequested, this, [this] {
        deleteEntry();
        list_->setFocus();
    });
    connect(list_, &ListView::editRequested, this, &MainWindow::editEntry);
    // F10 puts the menu bar in its keyboard mode, as a lone Alt does: "File" highlighted, Enter or Down
    // opens it with its first item active, Escape (or F10 again) gives the focus back.
    connect(new QShortcut(QKeySequence(Qt::Key_F10), this), &QShortcut::activated, this, &MainWindow::enterMenuBar);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this), &QShortcut::activated, this,
            &MainWindow::openFind);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_I), this), &QShortcut::activated, this,
            [this] { emit importRequested(QString()); });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this), &QShortcut::activated, this,
            &MainWindow::lockRequested);
    connect(new QShortcut(QKeySequence(Qt::Key_F3), this), &QShortcut::activated, this, [this] { findNext(true); });
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this), &QShortcut::activated, this,
            [this] { findNext(false); });
}

namespace {

// The one local .csv file a drag brings, or an empty text.
QString DroppedCsvFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1 || !data->urls().front().isLocalFile()) {
        return {};
    }
    const QString path = data->urls().front().toLocalFile();
    return path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? path : QString();
}

} // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedCsvFile(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = DroppedCsvFile(event->mimeData());
    if (!path.isEmpty()) {
        event->acceptProposedAction();
        emit importRequested(path);
    }
}

void MainWindow::enterMenuBar() {
    QMenuBar* bar = menuBar();
    if (bar->hasFocus()) {
        // F10 again leaves the menus, as Escape does.
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &escape);
        return;
    }
    // Qt's menu bar enters its keyboard mode on a lone Alt, pressed and released, that reaches it through
    // the widget with the focus; that tap is played here. A style without that mode opens the first menu.
    QWidget* target = focusWidget() != nullptr ? focusWidget() : this;
    QKeyEvent overrideAlt(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::AltModifier);
    QCoreApplication::sendEvent(target, &overrideAlt);
    QKeyEvent pressAlt(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
    QCoreApplication::sendEvent(target, &pressAlt);
    QKeyEvent releaseAlt(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &releaseAlt);
    const QList<QAction*> menus = bar->actions();
    if (bar->activeAction() == nullptr && !menus.isEmpty()) {
        bar->setActiveAction(menus.first());
    }
}

void MainWindow::addEntry() {
    emit addRequested();
}

void MainWindow::editEntry() {
    const int row = list_->firstSelected();
    if (row == 0) {
        setStatusText(QStringLiteral("You must first select an entry to edit."));
        return;
    }
    emit editRequested(list_->entries()->rowId(row), list_->entries()->item(row));
}

void MainWindow::deleteEntry() {
    const int row = list_->firstSelected();
    if (row == 0) {
        setStatusText(QStringLiteral("You must first select an entry to delete."));
        return;
    }
    const ListEntry entry = list_->entries()->item(row);
    QString question = QStringLiteral("Are you sure you want to delete the following information?\r\n");
    for (const Field field : vault::kFields) {
        question += QStringLiteral("\r\n") + FieldText(vault::Describe(field).label) + QStringLiteral(": ") +
                    Shown(entry[field]);
    }
    if (seams::messageBox(question, {.buttons = seams::Buttons::OkCancel}, QStringLiteral("Confirm Delete")) !=
        seams::Answer::Ok) {
        setStatusText(QStringLiteral("Entry not deleted, cancelled by user"));
        return;
    }
    emit removeRequested(list_->entries()->rowId(row));
}

void MainWindow::selectEntry(int position) {
    list_->setSelected(position, true);
}

void MainWindow::selectOnly(int position) {
    list_->selectOnly(position);
}

std::optional<ListEntry> MainWindow::selectedEntry() const {
    const int row = list_->firstSelected();
    if (row == 0) {
        return std::nullopt;
    }
    return list_->entries()->item(row);
}

void MainWindow::openLocation() {
    const int row = list_->firstSelected();
    if (row == 0) {
        setStatusText(QStringLiteral("You must first select an entry to go to."));
        return;
    }
    setStatusText(QStringLiteral("Opening Location..."));
    // The location is the user's text: it goes to the desktop's opener as one argument, never through a
    // shell. The opener is not waited for; when it ends with a failure the status line says so, even if
    // something else has been said since, unless another Go To has started meanwhile: that one's
    // outcome is the news then.
    const QString location = list_->entries()->field(row, Field::Location);
    const QString target = webAddress::GotoTarget(location);
    constexpr qsizetype kShownLocation = 80;
    const auto fail = [this, location](const QString& reason) { // kept by the watch of the opener too
        setStatusText(
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
        setStatusText(QStringLiteral("Could not open the location: it is too long to hand to xdg-open."));
    } else if (launched.notFound()) {
        setStatusText(QStringLiteral("Could not open the location: xdg-open could not be started."));
    } else {
        setStatusText(QStringLiteral("Could not open the location: xdg-open could not be started (%1).")
                          .arg(qt_error_string(launched.error)));
    }
}

void MainWindow::copyField(Field field) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    const int row = list_->firstSelected();
    if (row == 0) {
        setStatusText(QStringLiteral("You must first select a row to copy from."));
        return;
    }
    const QString value = list_->entries()->field(row, field);
    // Marked so that clipboard managers keep no history of it, and cleared after a while and at exit.
    SecretClipboard::instance().copy(value);
    setStatusText(QStringLiteral("Copied ") + FieldText(vault::Describe(field).title) + QLatin1Char(' ') +
                  Shown(value));
}

void MainWindow::openWebsite() {
    emit websiteRequested();
}

void MainWindow::openFind() {
    if (findBox_ == nullptr) {
        findBox_ = new FindBox(this);
        connect(findBox_, &FindBox::findRequested, this, &MainWindow::findNext);
        // The focus goes back to the list, on the entry found.
        connect(findBox_, &FindBox::closed, list_, qOverload<>(&QWidget::setFocus));
    }
    findBox_->openAt(findBoxCorner());
}

QPoint MainWindow::findBoxCorner() const {
    // Over the list's bottom right corner, inside its frame.
    const QWidget* rows = list_->viewport();
    return rows->mapTo(this, rows->rect().bottomRight()) - QPoint(8, 8);
}

void MainWindow::findNext(bool forward) {
    if (findBox_ == nullptr || findBox_->text().isEmpty()) {
        openFind();
        return;
    }
    const QString text = findBox_->text();
    const std::vector<int> found = list_->entries()->matches(text);
    if (found.empty()) {
        reportFind(QStringLiteral("No entry matches \"%1\"").arg(Shown(text)));
        return;
    }
    // From the entry found last (or the one the user selected since), round the ends.
    const int current = list_->currentPosition();
    const int from = current != 0 && list_->selected(current) ? current : 0;
    std::vector<int>::const_iterator at;
    if (forward) {
        at = std::upper_bound(found.begin(), found.end(), from);
        if (at == found.end()) {
            at = found.begin();
        }
    } else {
        at = std::lower_bound(found.begin(), found.end(), from == 0 ? list_->count() + 1 : from);
        at = at == found.begin() ? found.end() - 1 : at - 1;
    }
    list_->selectOnly(*at);
    reportFind(QStringLiteral("Found %1 of %2").arg(at - found.begin() + 1).arg(found.size()));
}

void MainWindow::reportFind(const QString& result) {
    setStatusText(result);
    findBox_->showResult(result);
}

void MainWindow::sortByColumn(int column) {
    listSorting::SortByColumn(list_, column);
}

void MainWindow::fitListToWindow() {
    if (isMinimized() || list_ == nullptr) {
        return;
    }
    layouts::SetWidth(list_, std::abs(layouts::OuterWidth(this) - 2 * layouts::Left(list_)));
    layouts::SetHeight(list_, std::abs(layouts::OuterHeight(this) - layouts::Top(list_) - 1000));
    if (findBox_ != nullptr && findBox_->isVisible()) {
        findBox_->keepAt(findBoxCorner());
    }
}

void MainWindow::showUnlocked() {
    using namespace buildConfig;
    programIcon::SetWindowIcon(this, QStringLiteral("AAA"), true);
    setVisible(true);
    if (Bannered()) {
        const int room = layouts::Height(bannerPlace_) + 50;
        layouts::SetOuterHeight(this, std::abs(room + layouts::OuterHeight(this)));
        layouts::SetTop(list_, std::abs(room + layouts::Top(list_)));
        // The list keeps its bottom where the resize rule puts it, below the band it made room for.
        fitListToWindow();
        // The band asks for its page once the window and its list are painted on the screen, not before.
        new AfterFirstPaint(this, [this] { emit bannerDue(); });
    }
    keepOnScreen();
}

void MainWindow::keepOnScreen() {
    const QScreen* screen = this->screen();
    if (screen == nullptr || isMaximized() || isFullScreen()) {
        return;
    }
    const QRect area = screen->availableGeometry();
    // The desktop's frame is known once it has framed the window; until then a title bar's height above.
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    const QMargins frame(inner.left() - outer.left(),
                         std::max(inner.top() - outer.top(), style()->pixelMetric(QStyle::PM_TitleBarHeight)),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    const QSize room(area.width() - frame.left() - frame.right(), area.height() - frame.top() - frame.bottom());
    if (width() <= room.width() && height() <= room.height()) {
        return; // the designed size fits: it stays, and so does the place
    }
    // A large scale factor on a small screen: cut to the free area (the list takes what is left) and
    // moved into it, so that nothing lies off the screen out of reach.
    resize(std::min(width(), room.width()), std::min(height(), room.height()));
    const int outerWidth = width() + frame.left() + frame.right();
    const int outerHeight = height() + frame.top() + frame.bottom();
    move(std::max(area.left(), std::min(x(), area.right() + 1 - outerWidth)),
         std::max(area.top(), std::min(y(), area.bottom() + 1 - outerHeight)));
}

void MainWindow::setStatusText(const QString& text) {
    statusPanel_->setText(text);
    // Qt names a status bar by its passing message, which this one never shows; a screen reader that
    // reads the bar itself gets the status line.
    statusBar_->setAccessibleName(text);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    fitListToWindow();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        fitListToWindow();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    // A copied field does not outlive the program on the clipboard, unless the user has copied something
    // else since.
    SecretClipboard::instance().clearIfStillCopied();
    if (findBox_ != nullptr) {
        findBox_->close();
    }
    emit closing();
}
