// The keyboard beyond what the real-window test types: the first password box takes the focus after a
// refusal, the designed menu items' keys, F10 into the menu bar, the list's current cell moves and is
// copied, cut-short texts have tooltips; and the banner switched off in the settings. (Typing from the
// buttons, Escape and the menus walked from F10: tests/e2e/keyboard_test.sh.)
#include "Controls.h"
#include "EntryEditor.h"
#include "HelpWindow.h"
#include "MainWindow.h"
#include "PasswordDialog.h"
#include "Program.h"
#include "Seams.h"
#include "TestMain.h"
#include "VaultFormat.h"
#include "WindowTestRun.h"

#include <QClipboard>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

// Types `text` (letters, digits, punctuation) and the keys after it where a person's keys go: into the
// window's focus widget, one key at a time, so that a key that moves the focus moves the next key too.
void TypeKeys(const QString& text) {
    for (const QChar c : text) {
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus != nullptr);
        QTest::keyClick(focus, c.toLatin1());
    }
}

void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    // An open menu takes the keys; a window of labels alone (the about window) takes them itself.
    QWidget* focus = QApplication::activePopupWidget();
    focus = focus != nullptr ? focus : QApplication::focusWidget();
    focus = focus != nullptr ? focus : QApplication::activeWindow();
    QVERIFY(focus != nullptr);
    QTest::keyClick(focus, key, modifiers);
}

// Makes `window` the active one, as the window manager does for the window a person works in.
void Activate(QWidget* window) {
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
}

} // namespace

class KeyboardTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowTestRun> run;
    MainWindow* main = nullptr;

    // The run up to the gate, with the dialog active and its focus where its design puts it (Ok).
    PasswordDialog* gate() {
        main = TheProgram().LoadMainWindow();
        TheProgram().OpenVault();
        PasswordDialog* d = TheRun().passwordDialog();
        if (d != nullptr) {
            Activate(d);
            Control<QPushButton>(d, "cmdOK")->setFocus();
        }
        return d;
    }

    // Past the gate with the right password, the main window active.
    void unlock() {
        PasswordDialog* d = gate();
        QVERIFY(d != nullptr);
        TypeKeys("Secret1");
        Press(Qt::Key_Return);
        QVERIFY(TheRun().passwordDialog() == nullptr);
        Activate(main);
    }

private slots:
    void initTestCase() { WindowTestRun::PrepareApplication(); }
    // The band stays blank: no request leaves the test.
    void init() {
        run = std::make_unique<WindowTestRun>(WindowTestRun::Options{.helpDocument = true, .showHelp = "0"});
        seams::OpenSettings()->setValue("Settings/banner", "0");
    }
    void cleanup() {
        run.reset();
        main = nullptr;
    }

    // After a mismatch the typing starts again in the first box; a too short password is selected there.
    void createModeRefusalsGiveTheFirstBoxTheFocus() {
        PasswordDialog* d = gate();
        TypeKeys("abcd");
        Press(Qt::Key_Tab);
        TypeKeys("abce");
        Press(Qt::Key_Return);
        Activate(d); // the message box took it out of the topmost band and back
        QCOMPARE(QApplication::focusWidget(), Control<QLineEdit>(d, "txtPass"));
        TypeKeys("ab");
        Press(Qt::Key_Return);
        Activate(d);
        QCOMPARE(QApplication::focusWidget(), Control<QLineEdit>(d, "txtPass"));
        QCOMPARE(Control<QLineEdit>(d, "txtPass")->selectedText(), QString("ab"));
        QCOMPARE(TheDesktop().shownBoxes().size(), 2);
    }

    // Each designed menu item runs from its key anywhere in the main window (here the focus is on the Add
    // button), on the selected entry.
    void designedItemsRunFromTheirKeys() {
        QVERIFY(run->writeVault({{"amy", "a-pw", "example.fr"}}));
        unlock();
        EntryList(main)->selectOnly(1);
        const auto copied = [](const QString& text) {
            return [text] { return QGuiApplication::clipboard()->text() == text; };
        };
        const auto editorTitled = [](const QString& title) {
            return [title] { return TheRun().editor() != nullptr && TheRun().editor()->windowTitle() == title; };
        };
        const auto status = [this](const QString& text) { return [this, text] { return StatusText(main) == text; }; };
        const struct {
            QKeyCombination key;
            std::function<bool()> ran;
        } cases[] = {
            {Qt::CTRL | Qt::Key_B, copied("amy")},
            {Qt::CTRL | Qt::SHIFT | Qt::Key_C, copied("a-pw")},
            {Qt::CTRL | Qt::SHIFT | Qt::Key_U, copied("example.fr")},
            {Qt::CTRL | Qt::Key_N, editorTitled("Add an entry")},
            {Qt::CTRL | Qt::Key_E, editorTitled("Edit an entry")},
            {QKeyCombination(Qt::Key_F2), editorTitled("Edit an entry")},
            {Qt::CTRL | Qt::Key_U, status("Opening Location...")},
            {QKeyCombination(Qt::Key_Delete), status("Entry not deleted, cancelled by user")},
            {QKeyCombination(Qt::Key_F1), [] { return TheRun().helpWindow() != nullptr; }},
            {Qt::CTRL | Qt::Key_Q, [this] { return !main->isVisible(); }},
        };
        TheDesktop().setNextAnswer(seams::Answer::Cancel); // for Delete's question
        for (const auto& c : cases) {
            Activate(main);
            Control<QToolButton>(main, "cmdAdd(0)")->setFocus();
            Press(c.key.key(), c.key.keyboardModifiers());
            QVERIFY2(c.ran(), qPrintable(QKeySequence(c.key).toString()));
            for (QWidget* opened :
                 {static_cast<QWidget*>(TheRun().editor()), static_cast<QWidget*>(TheRun().helpWindow())}) {
                if (opened != nullptr) {
                    opened->close();
                }
            }
        }
        QCOMPARE(TheDesktop().shownBoxes().size(), 1);
    }

    // F10 highlights the first menu's title and takes the keys as a lone Alt does: Enter opens that menu
    // at its first item; Escape, or F10 again, gives the focus back to where it was.
    void f10HighlightsTheFirstMenu() {
        QVERIFY(run->writeVault({}));
        unlock();
        EntryList(main)->setFocus();
        QMenuBar* bar = main->menuBar();
        Press(Qt::Key_F10);
        QVERIFY(bar->activeAction() != nullptr);
        QCOMPARE(bar->activeAction()->text(), QString("File"));
        QVERIFY(QApplication::activePopupWidget() == nullptr);
        Press(Qt::Key_Return);
        auto* file = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(file != nullptr);
        QCOMPARE(file->objectName(), QString("mnuFile"));
        QVERIFY(file->activeAction() != nullptr);
        QCOMPARE(file->activeAction()->text(), QString("Exit"));
        Press(Qt::Key_Escape); // the menu closes; the title stays highlighted
        QVERIFY(QApplication::activePopupWidget() == nullptr);
        Press(Qt::Key_Escape);
        QCOMPARE(QApplication::focusWidget(), EntryList(main));
        QVERIFY(bar->activeAction() == nullptr);
        Press(Qt::Key_F10);
        Press(Qt::Key_F10);
        QCOMPARE(QApplication::focusWidget(), EntryList(main));
        QVERIFY(bar->activeAction() == nullptr);
        QVERIFY(main->isVisible());
    }

    // Left and Right move the current cell along the row; Ctrl+C copies that cell's field.
    void listCellsByKeyboard() {
        QVERIFY(run->writeVault({{"amy", "a-pw", "example.fr"}, {"bob", "b-pw", "b.example"}}));
        unlock();
        ListView* list = EntryList(main);
        list->setFocus();
        Press(Qt::Key_Down);
        Press(Qt::Key_Up);
        QCOMPARE(list->firstSelected(), 1);
        const QString copied[] = {"amy", "a-pw", "example.fr", "example.fr"};
        for (const QString& expected : copied) {
            Press(Qt::Key_C, Qt::ControlModifier);
            QCOMPARE(QGuiApplication::clipboard()->text(), expected);
            Press(Qt::Key_Right);
        }
        Press(Qt::Key_Left);
        Press(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("a-pw"));
        QCOMPARE(list->firstSelected(), 1);
    }

    // A username or location too long for its column shows whole, escaped, in a tooltip; one that fits
    // and every password show none.
    void cutShortTextsHaveTooltips() {
        const QString longLocation = "https://example.com/<b>" + QString(200, 'x');
        QVERIFY(run->writeVault({{"amy", QString(200, 'p').toStdString(), longLocation.toStdString()}}));
        unlock();
        ListView* list = EntryList(main);
        const auto tipAt = [&](int column) {
            QToolTip::hideText();
            const QRect cell = list->visualRect(list->model()->index(0, column));
            QHelpEvent event(QEvent::ToolTip, cell.center(), list->viewport()->mapToGlobal(cell.center()));
            QApplication::sendEvent(list->viewport(), &event);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QCOMPARE(tipAt(0), QString());
        QCOMPARE(tipAt(1), QString());
        QCOMPARE(tipAt(2), "<p style=\"white-space:nowrap\">" + longLocation.left(80).toHtmlEscaped() + "<br>" +
                               longLocation.mid(80, 80).toHtmlEscaped() + "<br>" +
                               longLocation.mid(160).toHtmlEscaped() + "</p>");
        QToolTip::hideText();
    }

    // banner=0 in the settings (every test here has it): the band stays blank and nothing is loaded for it.
    void bannerSwitchedOff() {
        QVERIFY(run->writeVault({}));
        unlock();
        emit main->bannerDue();
        QCoreApplication::processEvents();
        QVERIFY(main->findChild<QWidget*>("picBox") == nullptr);
    }
};

KEYSHELF_TEST_MAIN(KeyboardTest)
#include "KeyboardTest.moc"
