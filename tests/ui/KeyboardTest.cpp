// The keyboard beyond what the real-window test types: the first password box takes the focus after a
// refusal, the list's current cell moves and is copied, cut-short texts have tooltips; and the banner
// switched off in the settings. (Typing from the buttons, Escape, F1 and F10: tests/e2e/keyboard_test.sh.)
#include "Controls.h"
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
#include <QPushButton>
#include <QSettings>
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

    ListView* entryList() const { return Control<ListView>(main, "lstPass"); }

    QString vaultPath() const { return run->filePath("data.enc"); }
    void writeVault(const std::vector<vault::Entry>& entries) {
        QFile f(vaultPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromStdString(vault::VaultBytes("Secret1", entries)));
    }

    // The run up to the gate, with the dialog active and its focus where its design puts it (Ok).
    PasswordDialog* gate() {
        main = TheProgram().LoadMainWindow();
        TheProgram().OpenVault();
        PasswordDialog* d = TheProgram().passwordDialog();
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
        QVERIFY(TheProgram().passwordDialog() == nullptr);
        Activate(main);
    }

private slots:
    void initTestCase() { WindowTestRun::PrepareApplication(); }
    // The band stays blank: no request leaves the test.
    void init() {
        run = std::make_unique<WindowTestRun>(WindowTestRun::Options{.showHelp = "0"});
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

    // Left and Right move the current cell along the row; Ctrl+C copies that cell's field.
    void listCellsByKeyboard() {
        writeVault({{"amy", "a-pw", "example.fr"}, {"bob", "b-pw", "b.example"}});
        unlock();
        ListView* list = entryList();
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
        ListView* list = entryList();
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
        writeVault({});
        unlock();
        emit main->bannerDue();
        QCoreApplication::processEvents();
        QVERIFY(main->findChild<QWidget*>("picBox") == nullptr);
    }
};

KEYSHELF_TEST_MAIN(KeyboardTest)
#include "KeyboardTest.moc"
