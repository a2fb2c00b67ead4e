// The program from the keyboard alone: typing reaches the password boxes and the editor's boxes from the
// buttons that hold the focus when they open, Escape closes the small windows, F1 and F10, the list's
// current cell, the tooltips of cut-short texts, and the banner switched off in the settings.
#include "TestMain.h"
#include "AboutWindow.h"
#include "EntryEditor.h"
#include "HelpWindow.h"
#include "MainWindow.h"
#include "PasswordDialog.h"
#include "Program.h"
#include "Seams.h"
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

    QString vaultPath() const { return run->filePath("data.enc"); }
    QByteArray onDisk() const {
        QFile f(vaultPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeVault(const std::vector<vault::Entry>& entries) {
        QFile f(vaultPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromStdString(vault::VaultBytes("Secret1", entries)));
    }

    // The run up to the gate, with the dialog active and its focus where its design puts it (Ok).
    PasswordDialog* gate() {
        main = TheProgram().LoadMainWindow();
        main->Form_Load();
        PasswordDialog* d = TheProgram().passwordDialog();
        if (d != nullptr) {
            Activate(d);
            d->cmdOK->setFocus();
        }
        return d;
    }

    // Past the gate with the right password, the main window active.
    void unlock() {
        PasswordDialog* d = gate();
        QVERIFY(d != nullptr);
        TypeKeys("Secret1");
        Press(Qt::Key_Return);
        QVERIFY(TheProgram().passwordDialog() == nullptr);
        Activate(main);
    }

private slots:
    void initTestCase() { WindowTestRun::PrepareApplication(); }
    // The band stays blank (its web engine would take the activation from the windows under test).
    void init() {
        run = std::make_unique<WindowTestRun>(WindowTestRun::Options{.showHelp = "0"});
        seams::OpenSettings()->setValue("Settings/banner", "0");
    }
    void cleanup() {
        run.reset();
        main = nullptr;
    }

    // First start: "type, Tab, type, Enter" from the Ok button creates the master password.
    void createModeTypeTabTypeEnter() {
        PasswordDialog* d = gate();
        QVERIFY(d->createMode());
        TypeKeys("abcd");
        QCOMPARE(d->txtPass->text(), QString("abcd"));
        Press(Qt::Key_Tab);
        TypeKeys("abcd");
        Press(Qt::Key_Return);
        QCOMPARE(onDisk(), QByteArray("\xE1\xE2\xE3\xE4\r\n")); // the master line alone
        QCOMPARE(TheProgram().session().masterPassword(), QString("abcd"));
        QCOMPARE(seams::testing::endCalls(), 0);
    }

    // After a mismatch the typing starts again in the first box; a too short password is selected there.
    void createModeRefusalsGiveTheFirstBoxTheFocus() {
        PasswordDialog* d = gate();
        TypeKeys("abcd");
        Press(Qt::Key_Tab);
        TypeKeys("abce");
        Press(Qt::Key_Return);
        Activate(d); // the message box took it out of the topmost band and back
        QCOMPARE(QApplication::focusWidget(), d->txtPass);
        TypeKeys("ab");
        Press(Qt::Key_Return);
        Activate(d);
        QCOMPARE(QApplication::focusWidget(), d->txtPass);
        QCOMPARE(d->txtPass->selectedText(), QString("ab"));
        QCOMPARE(seams::testing::shownBoxes().size(), 2);
    }

    // A later start: "type, Enter" opens the vault; after a wrong password and Retry the typing goes to
    // the box, and Space on a button still presses it.
    void enterModeTypeEnterAndRetry() {
        writeVault({{"amy", "pw", "example.fr"}});
        PasswordDialog* d = gate();
        seams::testing::setNextAnswer(seams::vbRetry);
        TypeKeys("wrong");
        Press(Qt::Key_Return);
        QCOMPARE(d->intTries, qint16(1));
        QCOMPARE(QApplication::focusWidget(), d->txtPass);
        QCOMPARE(d->txtPass->text(), QString());
        TypeKeys("Secret1");
        Press(Qt::Key_Return);
        QCOMPARE(TheProgram().session().masterPassword(), QString("Secret1"));
        QCOMPARE(main->lstPass->count(), 1);
        QCOMPARE(seams::testing::endCalls(), 0);
    }

    // The editor opens with the focus on Cancel: "type, Tab, type, Tab, type, Enter" saves the entry;
    // Escape cancels without storing.
    void editorByKeyboard() {
        writeVault({});
        unlock();
        main->cmdAdd_Click();
        EntryEditor* editor = TheProgram().editor();
        Activate(editor);
        editor->cmdCancel->setFocus();
        TypeKeys("bob");
        Press(Qt::Key_Tab);
        TypeKeys("b-pw");
        Press(Qt::Key_Tab);
        TypeKeys("example.fr");
        Press(Qt::Key_Return);
        QTRY_VERIFY(TheProgram().editor() == nullptr);
        QCOMPARE(onDisk(), QByteArray::fromStdString(vault::VaultBytes("Secret1", {{"bob", "b-pw", "example.fr"}})));

        main->cmdAdd_Click();
        editor = TheProgram().editor();
        Activate(editor);
        editor->cmdCancel->setFocus();
        TypeKeys("x");
        QCOMPARE(editor->txtUsername->text(), QString("x"));
        Press(Qt::Key_Escape);
        QTRY_VERIFY(TheProgram().editor() == nullptr);
        QCOMPARE(main->lstPass->count(), 1);
    }

    // F1 opens the help and Escape closes it; the about window closes on Escape too; F10 opens the first
    // menu.
    void functionKeysAndEscape() {
        run.reset();
        run = std::make_unique<WindowTestRun>(WindowTestRun::Options{.helpDocument = true, .showHelp = "0"});
        seams::OpenSettings()->setValue("Settings/banner", "0");
        writeVault({});
        unlock();
        Press(Qt::Key_F1);
        HelpWindow* help = TheProgram().helpWindow();
        QVERIFY(help != nullptr && help->isVisible());
        Activate(help);
        Press(Qt::Key_Escape);
        QTRY_VERIFY(TheProgram().helpWindow() == nullptr);

        TheProgram().OpenAbout();
        Activate(TheProgram().aboutWindow());
        Press(Qt::Key_Escape);
        QTRY_VERIFY(TheProgram().aboutWindow() == nullptr);

        Activate(main);
        Press(Qt::Key_F10);
        QTRY_COMPARE(QApplication::activePopupWidget(), static_cast<QWidget*>(main->mnuFile));
        Press(Qt::Key_Escape);
        QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
    }

    // Left and Right move the current cell along the row; Ctrl+C copies that cell's field.
    void listCellsByKeyboard() {
        writeVault({{"amy", "a-pw", "example.fr"}, {"bob", "b-pw", "b.example"}});
        unlock();
        ListView* list = main->lstPass;
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
        writeVault({{"amy", QString(200, 'p').toStdString(), longLocation.toStdString()}});
        unlock();
        ListView* list = main->lstPass;
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
                               longLocation.mid(80, 80).toHtmlEscaped() + "<br>" + longLocation.mid(160).toHtmlEscaped() +
                               "</p>");
        QToolTip::hideText();
    }

    // banner=0 in the settings (every test here has it): the band stays blank and nothing is loaded for it.
    void bannerSwitchedOff() {
        writeVault({});
        unlock();
        emit main->bannerDue();
        QCoreApplication::processEvents();
        QVERIFY(main->findChild<QWidget*>("picBox") == nullptr);
    }
};

KEYSHELF_TEST_MAIN(KeyboardTest)
#include "KeyboardTest.moc"
