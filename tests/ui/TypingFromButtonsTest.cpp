// Keys pressed while the password dialog's focus is on one of its buttons: a typed character goes into the
// first empty box, and Space presses the button.
#include "Controls.h"
#include "PasswordDialog.h"
#include "Program.h"
#include "Seams.h"
#include "TestMain.h"
#include "VaultFormat.h"
#include "WindowTestRun.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QtTest>
#include <memory>

class TypingFromButtonsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowTestRun> run;

    // The run up to the gate (for a vault of master password `master`, or a first run when it is empty),
    // the dialog active and its focus on Ok.
    PasswordDialog* gate(const std::string& master) {
        if (!master.empty() && !run->writeVault({}, master)) {
            return nullptr;
        }
        TheProgram().LoadMainWindow();
        TheProgram().OpenVault();
        PasswordDialog* d = TheRun().passwordDialog();
        if (d != nullptr) {
            QApplication::setActiveWindow(d);
            Control<QPushButton>(d, "cmdOK")->setFocus();
        }
        return d;
    }
    // Each key where a person's keys go: the window's focus widget, which a key may move.
    static void Type(const QString& text) {
        for (const QChar c : text) {
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        }
    }

private slots:
    void initTestCase() { WindowTestRun::PrepareApplication(); }
    void init() {
        run = std::make_unique<WindowTestRun>(WindowTestRun::Options{.showHelp = "0"});
        seams::OpenSettings()->setValue("Settings/banner", "0");
    }
    void cleanup() { run.reset(); }

    // A first run: the password typed from Ok, then again from Ok, fills the first box and then the second.
    void typingFromAButtonFillsTheFirstEmptyBox() {
        PasswordDialog* d = gate("");
        QVERIFY(d != nullptr);
        Type("abcd");
        Control<QPushButton>(d, "cmdOK")->setFocus();
        Type("abcd");
        QCOMPARE(Control<QLineEdit>(d, "txtPass")->text(), QString("abcd"));
        QCOMPARE(Control<QLineEdit>(d, "txtPass2")->text(), QString("abcd"));
        QCOMPARE(QApplication::focusWidget(), Control<QLineEdit>(d, "txtPass2"));
    }

    // Space on Ok presses it (here: an empty password, told it is not correct) and types nothing.
    void spaceOnAButtonPressesIt() {
        PasswordDialog* d = gate("Secret1");
        QVERIFY(d != nullptr);
        TheDesktop().setNextAnswer(seams::Answer::Retry);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(Control<QLineEdit>(d, "txtPass")->text(), QString());
        QCOMPARE(TheDesktop().shownBoxes().size(), 1);
    }
};

KEYSHELF_TEST_MAIN(TypingFromButtonsTest)
#include "TypingFromButtonsTest.moc"
