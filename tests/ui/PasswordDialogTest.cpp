// The master password dialog: both modes' layouts, every message, the tries, the keys and the ways out,
// and what it leaves in data.enc.
#include "PasswordDialog.h"

#include "AtomicFile.h"
#include "BuildConfiguration.h"
#include "Builder.h"
#include "Controls.h"
#include "DesignCheck.h"
#include "MainWindow.h"
#include "Program.h"
#include "Seams.h"
#include "Startup.h"
#include "TestMain.h"
#include "VaultFormat.h"
#include "WindowTestRun.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <cerrno>
#include <memory>

namespace {

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString& path, const std::string& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

const QString kCreateText =
    "Because this is the first time you have used Keyshelf, you will need to create a master password.  This "
    "password will be required to open the program from now on, and can not be reset.\r\n\r\nPlease enter a "
    "password that you will not forget.";

// A design position as it lands on whole pixels: 1700 twips are 113 pixels, read back as 1695.
constexpr int OnPixels(int twips) {
    return twips / 15 * 15;
}

// The next control in the focus chain that Tab can reach.
QWidget* NextTab(QWidget* w) {
    do {
        w = w->nextInFocusChain();
    } while (!(w->focusPolicy() & Qt::TabFocus));
    return w;
}

// The dialog's controls, by their design names.
QLineEdit* PasswordBox(const QWidget* dialog) {
    return Control<QLineEdit>(dialog, "txtPass");
}
QLineEdit* RetypeBox(const QWidget* dialog) {
    return Control<QLineEdit>(dialog, "txtPass2");
}
QPushButton* OkButton(const QWidget* dialog) {
    return Control<QPushButton>(dialog, "cmdOK");
}
QPushButton* CancelButton(const QWidget* dialog) {
    return Control<QPushButton>(dialog, "cmdCancel");
}
QLabel* Instruction(const QWidget* dialog) {
    return Control<QLabel>(dialog, "SkinLabel1");
}
QLabel* PasswordLabel(const QWidget* dialog) {
    return Control<QLabel>(dialog, "SkinLabel2");
}
QLabel* RetypeLabelOf(const QWidget* dialog) {
    return Control<QLabel>(dialog, "SkinLabel3");
}
QTimer* KeepHiddenTimer(const QWidget* dialog) {
    return Control<QTimer>(dialog, "Timer1");
}

using Box = FakeDesktop::ShownBox;

} // namespace

class PasswordDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowTestRun> folder;
    MainWindow* main = nullptr;

    PasswordDialog* dialog() const { return TheRun().passwordDialog(); }

    // Starts a run: the main window loads and opens the vault, which opens the dialog.
    PasswordDialog* start() {
        main = TheProgram().LoadMainWindow();
        TheProgram().OpenVault();
        main->show();
        return dialog();
    }

    QList<Box> boxes() const { return TheDesktop().shownBoxes(); }

    static void type(QLineEdit* box, const QString& text) {
        box->setFocus();
        box->setText(text);
    }

private slots:
    void initTestCase() { WindowTestRun::PrepareApplication(); }

    void init() { folder = std::make_unique<WindowTestRun>(); }

    void cleanup() {
        main = nullptr;
        folder.reset(); // with it the help window opened by a successful start
    }

    // The design as built, before the dialog lays it out for its mode.
    void designAsCreated() {
        QWidget created;
        layouts::Build(&created, layouts::PasswordDialogDesign::window);
        QCOMPARE(created.objectName(), QString("frmPass"));
        QCOMPARE(created.windowTitle(), QString("Password Required"));
        QCOMPARE(created.size(), QSize(455, 120));
        QVERIFY(!created.windowIcon().isNull());
        for (const layouts::Control& c : layouts::PasswordDialogDesign::window.controls) {
            if (c.kind == layouts::Kind::Timer) {
                auto* timer = created.findChild<QTimer*>(c.name);
                QVERIFY(timer != nullptr);
                QCOMPARE(timer->interval(), 100);
                QVERIFY(timer->isActive());
                continue;
            }
            auto* w = created.findChild<QWidget*>(c.name);
            QVERIFY2(w != nullptr, c.name);
            QCOMPARE(layouts::Left(w), c.left);
            QCOMPARE(layouts::Top(w), c.top);
            QCOMPARE(layouts::Width(w), c.width);
            QCOMPARE(layouts::Height(w), c.height);
            QCOMPARE(w->font().pointSizeF(), 8.25);
        }
        auto* ok = OkButton(&created);
        auto* cancel = CancelButton(&created);
        auto* password = PasswordBox(&created);
        auto* retype = RetypeBox(&created);
        auto* retypeLabel = RetypeLabelOf(&created);
        QCOMPARE(ok->text(), QString("Ok"));
        QCOMPARE(retypeLabel->text(), QString("Retype Password:"));
        // The confirmation row lies below the client area until create mode moves it up.
        QVERIFY(retype->y() >= created.height());
        QVERIFY(retypeLabel->y() >= created.height());
        // Both boxes hide what is typed; the dialog tabs Ok, Cancel, password, retype.
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        QCOMPARE(retype->echoMode(), QLineEdit::Password);
        QCOMPARE(NextTab(ok), cancel);
        QCOMPARE(NextTab(cancel), static_cast<QWidget*>(password));
        QCOMPARE(NextTab(password), static_cast<QWidget*>(retype));
        QCOMPARE(NextTab(retype), ok);
    }

    void editorDesignAsCreated() {
        QWidget editor;
        layouts::Build(&editor, layouts::EntryEditorDesign::window);
        QCOMPARE(editor.windowTitle(), QString("Form2"));
        QCOMPARE(editor.size(), QSize(312, 174));
        QStringList order;
        QWidget* w = editor.findChild<QWidget*>("cmdDelete");
        for (int i = 0; i < 5; ++i) {
            order << w->objectName();
            w = NextTab(w);
        }
        QCOMPARE(order, QStringList({"cmdDelete", "cmdAdd(0)", "txtUsername", "txtPassword", "txtWebsite"}));
        QCOMPARE(editor.findChild<QLineEdit*>("txtPassword")->echoMode(), QLineEdit::Normal);
        for (const layouts::Control& c : layouts::EntryEditorDesign::window.controls) {
            auto* control = editor.findChild<QWidget*>(c.name);
            QVERIFY2(control != nullptr, c.name);
            QCOMPARE(control->geometry(), QRect(c.left / 15, c.top / 15, c.width / 15, c.height / 15));
            QVERIFY2(editor.rect().contains(control->geometry()), c.name);
        }
        auto* save = editor.findChild<QToolButton*>("cmdAdd(0)");
        QCOMPARE(save->text(), QString("Save"));
        QCOMPARE(save->iconSize(), QSize(32, 32));
        QVERIFY(!save->icon().isNull());
    }

    void createModeLayout() {
        PasswordDialog* d = start();
        QVERIFY(d != nullptr);
        QVERIFY(TheRun().passwordDialog()->mode() == PasswordDialog::Mode::Create);
        QCOMPARE(ReadFile(folder->vaultPath()), QByteArray("\r\n"));
        QCOMPARE(Instruction(d)->text(), kCreateText);
        QCOMPARE(layouts::Height(Instruction(d)), 1500);
        // txtPass2 = 315 + 1700 + 60, the buttons below it + 60, the window below them + 60 + 500.
        QCOMPARE(layouts::Top(PasswordBox(d)), OnPixels(1700));
        QCOMPARE(layouts::Top(PasswordLabel(d)), OnPixels(1700));
        QCOMPARE(layouts::Top(RetypeBox(d)), OnPixels(2075));
        QCOMPARE(layouts::Top(RetypeLabelOf(d)), OnPixels(2075));
        QCOMPARE(layouts::Top(OkButton(d)), OnPixels(OnPixels(2075) + 315 + 60));
        QCOMPARE(layouts::Top(CancelButton(d)), layouts::Top(OkButton(d)));
        QCOMPARE(layouts::OuterHeight(d),
                 OnPixels(layouts::Top(OkButton(d)) + 495 + 60 + 500 - layouts::kFrameHeight) + layouts::kFrameHeight);
        QVERIFY(RetypeBox(d)->isVisible());
        QVERIFY(RetypeLabelOf(d)->isVisible());
        QVERIFY(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        // Every control lies inside the window once the mode is applied.
        for (QWidget* w : {static_cast<QWidget*>(RetypeBox(d)), static_cast<QWidget*>(OkButton(d))}) {
            QVERIFY(d->rect().contains(w->geometry()));
        }
    }

    void enterModeLayout() {
        WriteFile(folder->vaultPath(), vault::VaultBytes("Secret1", {}));
        PasswordDialog* d = start();
        QVERIFY(TheRun().passwordDialog()->mode() == PasswordDialog::Mode::Enter);
        QVERIFY(TheRun().session().isMasterPassword("Secret1"));
        QCOMPARE(Instruction(d)->text(), QString("Please enter your password"));
        QCOMPARE(layouts::Top(PasswordBox(d)), 360);
        QCOMPARE(layouts::Top(PasswordLabel(d)), 360);
        QCOMPARE(layouts::OuterHeight(d), OnPixels(1845 - layouts::kFrameHeight) + layouts::kFrameHeight);
        QCOMPARE(layouts::Top(OkButton(d)), OnPixels(780));
        QCOMPARE(layouts::Top(CancelButton(d)), OnPixels(780));
        QVERIFY(!RetypeBox(d)->isVisible());
        QVERIFY(!RetypeLabelOf(d)->isVisible());
        QVERIFY(d->rect().contains(OkButton(d)->geometry()));
        // The focus starts on Ok, the first control of the tab order.
        // Once the timer has hidden the main window the dialog is the active window, its focus on Ok, the
        // first control of the tab order.
        QTRY_VERIFY_WITH_TIMEOUT(d->isActiveWindow(), 500);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(OkButton(d)));
    }

    void timerKeepsTheMainWindowHidden() {
        PasswordDialog* d = start();
        QVERIFY(main->isVisible()); // shown by start-up right after the dialog opened
        QTRY_VERIFY_WITH_TIMEOUT(!main->isVisible(), 300);
        main->show();
        QTRY_VERIFY_WITH_TIMEOUT(!main->isVisible(), 300);
        QVERIFY(KeepHiddenTimer(d)->isActive());
    }

    void createModeRefusals() {
        PasswordDialog* d = start();
        bool topmostDuringBox = true;
        TheDesktop().setOnShow(
            [&](const auto&) { topmostDuringBox = d->windowFlags().testFlag(Qt::WindowStaysOnTopHint); });

        // Too short: whatever the second box holds, both boxes keep their text.
        type(PasswordBox(d), "abc");
        type(RetypeBox(d), "zzzzzz");
        d->confirmPassword();
        QVERIFY(!topmostDuringBox);
        QVERIFY(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(PasswordBox(d)->text(), QString("abc"));
        QCOMPARE(RetypeBox(d)->text(), QString("zzzzzz"));

        // Different texts: both boxes are emptied.
        topmostDuringBox = true;
        type(PasswordBox(d), "abcd");
        type(RetypeBox(d), "abcD");
        d->confirmPassword();
        QVERIFY(!topmostDuringBox);
        QCOMPARE(PasswordBox(d)->text(), QString());
        QCOMPARE(RetypeBox(d)->text(), QString());

        // A character the file cannot hold: refused, boxes kept.
        type(PasswordBox(d), "pass\u0416word");
        type(RetypeBox(d), "pass\u0416word");
        d->confirmPassword();
        QCOMPARE(PasswordBox(d)->text(), QString("pass\u0416word"));

        const QList<Box> shown = boxes();
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown[0].text, QString("You must enter a password that is at least 4 characters long"));
        QCOMPARE(shown[1].text, QString("Your passwords did not match.  Please try again."));
        QCOMPARE(shown[2].text, QString("Your password contains a character that can not be stored in the password "
                                        "file.  Please choose a password without it."));
        for (const Box& b : shown) {
            QCOMPARE(b.style, (seams::BoxStyle{}));
            QCOMPARE(b.title, QString("Keyshelf"));
        }
        QCOMPARE(ReadFile(folder->vaultPath()), QByteArray("\r\n"));
        QVERIFY(TheRun().session().masterPassword().isEmpty());
        QCOMPARE(TheDesktop().endCalls(), 0);
    }

    void createModeSuccessWritesTheMasterLine() {
        PasswordDialog* d = start();
        type(PasswordBox(d), "abcd");
        type(RetypeBox(d), "abcd");
        QTest::keyClick(RetypeBox(d), Qt::Key_Return); // Enter acts as Ok
        QCOMPARE(ReadFile(folder->vaultPath()), QByteArray("\xE1\xE2\xE3\xE4\r\n"));
        QCOMPARE(TheRun().session().masterPassword(), QString("abcd"));
        QCOMPARE(StatusText(main), QString("Password created successfully"));
        QVERIFY(main->isVisible());
        QVERIFY(dialog() == nullptr);
        QCOMPARE(EntryList(main)->count(), 0);
        QVERIFY(boxes().isEmpty());
        QTest::qWait(150); // the stopped timer no longer hides the main window
        QVERIFY(main->isVisible());
    }

    void createModeKeepsEntriesBehindAnEmptyMasterLine() {
        const std::vector<vault::Entry> entries = {{"u", "p", "l"}, {"v", "q", ""}};
        WriteFile(folder->vaultPath(), vault::VaultBytes("", entries));
        PasswordDialog* d = start();
        QVERIFY(TheRun().passwordDialog()->mode() == PasswordDialog::Mode::Create);
        type(PasswordBox(d), "abcd");
        type(RetypeBox(d), "abcd");
        d->confirmPassword();
        QCOMPARE(ReadFile(folder->vaultPath()), QByteArray::fromStdString(vault::VaultBytes("abcd", entries)));
        QCOMPARE(EntryList(main)->count(), 2);
        QCOMPARE(EntryList(main)->text(2), QString("v"));
    }

    void createModeWriteFailureKeepsTheDialog() {
        struct DiskFull : vault::FileOps {
            ssize_t Write(int, const void*, std::size_t) override {
                errno = ENOSPC;
                return -1;
            }
        } full;
        PasswordDialog* d = start();
        folder->files().use(&full);
        type(PasswordBox(d), "abcd");
        type(RetypeBox(d), "abcd");
        d->confirmPassword();
        QCOMPARE(ReadFile(folder->vaultPath()), QByteArray("\r\n"));
        QCOMPARE(dialog(), d);
        QVERIFY(d->isVisible());
        QVERIFY(KeepHiddenTimer(d)->isActive());
        QVERIFY(TheRun().session().masterPassword().isEmpty());
        QCOMPARE(boxes().size(), 1);
        QVERIFY(boxes()[0].text.contains(folder->vaultPath()));
        QVERIFY(boxes()[0].text.contains("disk is full"));
        QCOMPARE(TheDesktop().endCalls(), 0);
        // The user may try again once there is room.
        folder->files().use(nullptr);
        d->confirmPassword();
        QCOMPARE(ReadFile(folder->vaultPath()), QByteArray("\xE1\xE2\xE3\xE4\r\n"));
    }

    void enterModeThreeRetriedWrongPasswordsEnd() {
        WriteFile(folder->vaultPath(), vault::VaultBytes("Secret1", {{"u", "p", "l"}}));
        PasswordDialog* d = start();
        for (int i = 0; i < 3; ++i) {
            TheDesktop().setNextAnswer(seams::Answer::Retry);
        }
        // The stored password in another letter case is wrong.
        for (const char* attempt : {"secret1", "", "Secret"}) {
            type(PasswordBox(d), attempt);
            d->confirmPassword();
        }
        QCOMPARE(d->wrongTries(), 3);
        QCOMPARE(TheDesktop().endCalls(), 1);
        QCOMPARE(TheDesktop().lastExitCode(), 1); // a failed start, unlike Cancel
        QVERIFY(!KeepHiddenTimer(d)->isActive());
        const QList<Box> shown = boxes();
        QCOMPARE(shown.size(), 4);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(shown[i].text, QString("Sorry, the password you entered was not correct."));
            QCOMPARE(shown[i].style, (seams::BoxStyle{.buttons = seams::Buttons::RetryCancel}));
            QCOMPARE(shown[i].title, QString("Incorrect Password"));
        }
        QCOMPARE(shown[3].text, QString("Only 3 tries allowed.  Click Ok to close."));
        QCOMPARE(shown[3].style, (seams::BoxStyle{}));
        QCOMPARE(shown[3].title, QString("Keyshelf"));
        QVERIFY(TheRun().session().masterPassword().isEmpty());
        QCOMPARE(ReadFile(folder->vaultPath()),
                 QByteArray::fromStdString(vault::VaultBytes("Secret1", {{"u", "p", "l"}})));
    }

    void enterModeTwoWrongThenRightOpensTheVault() {
        const std::vector<vault::Entry> entries = {{"zed", "1", "a"}, {"amy", "2", ""}};
        const std::string bytes = vault::VaultBytes("Secret1", entries);
        WriteFile(folder->vaultPath(), bytes);
        PasswordDialog* d = start();
        TheDesktop().setNextAnswer(seams::Answer::Retry);
        TheDesktop().setNextAnswer(seams::Answer::Retry);
        type(PasswordBox(d), "wrong");
        d->confirmPassword();
        QCOMPARE(PasswordBox(d)->text(), QString()); // emptied for the next try
        type(PasswordBox(d), "wrong again");
        QTest::keyClick(PasswordBox(d), Qt::Key_Enter);
        type(PasswordBox(d), "Secret1");
        QTest::keyClick(PasswordBox(d), Qt::Key_Return);
        QCOMPARE(TheRun().session().masterPassword(), QString("Secret1"));
        QCOMPARE(StatusText(main), QString("Loaded 2 entries"));
        QCOMPARE(EntryList(main)->count(), 2);
        QCOMPARE(EntryList(main)->text(1), QString("zed"));
        QCOMPARE(EntryList(main)->subItem(2, 1), QString("2"));
        QVERIFY(main->isVisible());
        QVERIFY(dialog() == nullptr);
        QCOMPARE(TheDesktop().endCalls(), 0);
        QCOMPARE(ReadFile(folder->vaultPath()), QByteArray::fromStdString(bytes)); // loading writes nothing
    }

    void everyOtherWayOutEndsTheProgram() {
        WriteFile(folder->vaultPath(), vault::VaultBytes("Secret1", {}));
        // Cancel on the wrong-password box: at once, no second box.
        PasswordDialog* d = start();
        TheDesktop().setNextAnswer(seams::Answer::Cancel);
        type(PasswordBox(d), "nope");
        d->confirmPassword();
        QCOMPARE(TheDesktop().endCalls(), 1);
        QCOMPARE(boxes().size(), 1);
        QCOMPARE(d->wrongTries(), 0);

        // The Cancel button.
        d = start();
        QTest::mouseClick(CancelButton(d), Qt::LeftButton);
        QCOMPARE(TheDesktop().endCalls(), 2);
        QVERIFY(!KeepHiddenTimer(d)->isActive());

        // The close box, before success.
        d = start();
        d->close();
        QCOMPARE(TheDesktop().endCalls(), 3);
        QCOMPARE(TheDesktop().lastExitCode(), 0); // leaving by choice is no failure
    }

    void anUnreadableVaultIsReportedAndNeverWritten() {
        QVERIFY(QDir(folder->path()).mkdir("data.enc"));
        QVERIFY(start() == nullptr);
        QCOMPARE(TheDesktop().endCalls(), 1);
        QCOMPARE(boxes().size(), 1);
        QVERIFY(boxes()[0].text.contains(folder->vaultPath()));
        QVERIFY(boxes()[0].text.contains("folder"));
        QVERIFY(QFileInfo(folder->vaultPath()).isDir());
    }
};

KEYSHELF_TEST_MAIN(PasswordDialogTest)
#include "PasswordDialogTest.moc"
