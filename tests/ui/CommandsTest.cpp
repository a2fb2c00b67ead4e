// The entry commands, menus, sorting and the entry editor, with scripted message boxes and recorded
// launches, checking the status line, the clipboard and the vault's bytes after every change.
#include "AboutWindow.h"
#include "AtomicFile.h"
#include "BuildConfiguration.h"
#include "Controls.h"
#include "DesignCheck.h"
#include "EntryEditor.h"
#include "HelpWindow.h"
#include "ImportDialog.h"
#include "ListView.h"
#include "MainWindow.h"
#include "PasswordDialog.h"
#include "Program.h"
#include "Seams.h"
#include "Startup.h"
#include "TestMain.h"
#include "VaultFormat.h"
#include "WebAddress.h"
#include "WindowTestRun.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QToolButton>
#include <QtTest>
#include <cerrno>
#include <memory>

using vault::Entry;

namespace {

const std::vector<Entry> kEntries = {
    {"carol", "c-pw", "www.carol.example"},
    {"alice", "a-pw", "https://mail.example.com"},
    {"bob", "b-pw", "Office PC"},
};

struct DiskFull : vault::FileOps {
    ssize_t Write(int, const void*, std::size_t) override {
        errno = ENOSPC;
        return -1;
    }
};

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowTestRun> folder;
    MainWindow* main = nullptr;

    static QByteArray vaultOf(const std::vector<Entry>& entries) {
        return QByteArray::fromStdString(vault::VaultBytes("Secret1", entries));
    }
    QStringList usernames() const {
        QStringList out;
        for (int i = 1; i <= EntryList(main)->count(); ++i) {
            out << EntryList(main)->text(i);
        }
        return out;
    }
    QString status() const { return StatusText(main); }
    QStringList boxTexts() const {
        QStringList out;
        for (const auto& b : TheDesktop().shownBoxes()) {
            out << b.text;
        }
        return out;
    }
    void select(std::initializer_list<int> rows) {
        EntryList(main)->clearSelection();
        for (int r : rows) {
            EntryList(main)->setSelected(r, true);
        }
    }
    EntryEditor* editor() const { return TheRun().editor(); }
    void type(const QString& user, const QString& password, const QString& location) {
        Control<QLineEdit>(editor(), "txtUsername")->setText(user);
        Control<QLineEdit>(editor(), "txtPassword")->setText(password);
        Control<QLineEdit>(editor(), "txtWebsite")->setText(location);
    }

    void start(const std::vector<Entry>& entries) {
        main = folder->openWith(entries);
        QVERIFY(main != nullptr);
        QCOMPARE(EntryList(main)->count(), static_cast<int>(entries.size()));
    }

private slots:
    void initTestCase() { WindowTestRun::PrepareApplication(); }

    void init() {
        folder = std::make_unique<WindowTestRun>(WindowTestRun::Options{.showHelp = "0"});
        start(kEntries);
    }

    void cleanup() {
        folder.reset();
        main = nullptr;
    }

    void commandsWithoutASelection() {
        QGuiApplication::clipboard()->setText("what was there before");
        main->editEntry();
        QCOMPARE(status(), QString("You must first select an entry to edit."));
        QVERIFY(editor() == nullptr);
        main->deleteEntry();
        QCOMPARE(status(), QString("You must first select an entry to delete."));
        main->openLocation();
        QCOMPARE(status(), QString("You must first select an entry to go to."));
        QVERIFY(TheDesktop().startedPrograms().isEmpty());
        main->copyField(MainWindow::Field::Password);
        QCOMPARE(status(), QString("You must first select a row to copy from."));
        QCOMPARE(QGuiApplication::clipboard()->text(), QString()); // cleared first, left empty
        QVERIFY(TheDesktop().shownBoxes().isEmpty());
        QCOMPARE(folder->onDisk(), vaultOf(kEntries));
    }

    void addThroughTheEditor() {
        main->addEntry();
        QVERIFY(editor() != nullptr && editor()->isVisible());
        QCOMPARE(editor()->windowTitle(), QString("Add an entry"));
        QCOMPARE(Control<QLineEdit>(editor(), "txtUsername")->text(), QString());

        // The checks in their order: username first, even when both are empty.
        editor()->save();
        type("dave", "", "");
        editor()->save();
        QCOMPARE(boxTexts(), QStringList({"You must enter a username", "You must enter a password"}));
        for (const auto& b : TheDesktop().shownBoxes()) {
            QCOMPARE(b.title, QString("Error"));
            QCOMPARE(b.style, (seams::BoxStyle{}));
        }
        QCOMPARE(folder->onDisk(), vaultOf(kEntries));

        // Enter in the username or password box does not save; in the location box it does.
        type(" ", "d-pw", "");
        QTest::keyClick(Control<QLineEdit>(editor(), "txtUsername"), Qt::Key_Return);
        QTest::keyClick(Control<QLineEdit>(editor(), "txtPassword"), Qt::Key_Return);
        QCOMPARE(EntryList(main)->count(), 3);
        QTest::keyClick(Control<QLineEdit>(editor(), "txtWebsite"), Qt::Key_Return);
        QCOMPARE(usernames(), QStringList({"carol", "alice", "bob", " "})); // a space is a username
        QCOMPARE(status(), QString("Added new entry.  Data saved."));
        QCOMPARE(folder->onDisk(), vaultOf({kEntries[0], kEntries[1], kEntries[2], {" ", "d-pw", ""}}));
        QTRY_VERIFY(editor() == nullptr);
    }

    void cancelAndTheCloseBoxStoreNothing() {
        select({1});
        main->copyField(MainWindow::Field::Username);
        main->addEntry();
        type("x", "y", "z");
        QTest::mouseClick(Control<QToolButton>(editor(), "cmdDelete"), Qt::LeftButton);
        QTRY_VERIFY(editor() == nullptr);
        main->editEntry();
        type("x", "y", "z");
        editor()->close();
        QTRY_VERIFY(editor() == nullptr);
        QCOMPARE(status(), QString("Copied Username carol"));
        QCOMPARE(folder->onDisk(), vaultOf(kEntries));
        QCOMPARE(EntryList(main)->text(1), QString("carol"));
    }

    void editReplacesTheEntryInPlace() {
        select({2});
        main->editEntry();
        QCOMPARE(editor()->windowTitle(), QString("Edit an entry"));
        QCOMPARE(Control<QLineEdit>(editor(), "txtUsername")->text(), QString("alice"));
        QCOMPARE(Control<QLineEdit>(editor(), "txtPassword")->text(), QString("a-pw"));
        QCOMPARE(Control<QLineEdit>(editor(), "txtWebsite")->text(), QString("https://mail.example.com"));
        QCOMPARE(Control<QLineEdit>(editor(), "txtPassword")->echoMode(), QLineEdit::Normal);
        type("alice2", "new-pw", "");
        QTest::mouseClick(Control<QToolButton>(editor(), "cmdAdd(0)"), Qt::LeftButton);
        QCOMPARE(usernames(), QStringList({"carol", "alice2", "bob"}));
        QCOMPARE(EntryList(main)->subItem(2, 1), QString("new-pw"));
        QCOMPARE(status(), QString("Entry changed.  Data saved."));
        QCOMPARE(folder->onDisk(), vaultOf({kEntries[0], {"alice2", "new-pw", ""}, kEntries[2]}));
    }

    void anEditStaysBoundToItsEntry() {
        // Sorting while the editor is open moves the entry; the save still reaches it.
        select({3}); // bob
        main->editEntry();
        main->sortByColumn(1); // descending: carol, bob, alice
        QCOMPARE(usernames(), QStringList({"carol", "bob", "alice"}));
        type("bob", "changed", "Office PC");
        editor()->save();
        QCOMPARE(EntryList(main)->subItem(2, 1), QString("changed"));
        QCOMPARE(EntryList(main)->subItem(1, 1), QString("c-pw"));
        QCOMPARE(folder->onDisk(), vaultOf({kEntries[0], {"bob", "changed", "Office PC"}, kEntries[1]}));

        // Choosing Add or Edit again only brings the open editor forward: it keeps its mode and text.
        select({1}); // carol
        main->editEntry();
        type("carol", "c-pw2", "www.carol.example");
        select({3});
        main->addEntry();
        main->editEntry();
        QCOMPARE(editor()->windowTitle(), QString("Edit an entry"));
        QCOMPARE(Control<QLineEdit>(editor(), "txtPassword")->text(), QString("c-pw2"));
        // An entry added in front of it meanwhile does not move the edit onto another entry.
        EntryList(main)->add("aaron");
        editor()->save();
        QCOMPARE(EntryList(main)->count(), 4);
        QCOMPARE(EntryList(main)->subItem(1, 1), QString("c-pw2"));
        QCOMPARE(EntryList(main)->text(1), QString("carol"));

        // The entry deleted meanwhile: the user is told, the editor keeps its text, nothing is written.
        select({3}); // alice
        main->editEntry();
        type("alice", "lost?", "");
        TheDesktop().setNextAnswer(seams::Answer::Ok);
        main->deleteEntry();
        const QByteArray afterDelete = folder->onDisk();
        editor()->save();
        QVERIFY(boxTexts().last().startsWith("The entry you are editing has been deleted"));
        QCOMPARE(Control<QLineEdit>(editor(), "txtPassword")->text(), QString("lost?"));
        QVERIFY(editor()->isVisible());
        QCOMPARE(folder->onDisk(), afterDelete);
        QVERIFY(!usernames().contains("alice"));
    }

    void anAddStaysAnAdd() {
        main->addEntry();
        type("eve", "e-pw", "");
        select({1});
        main->editEntry(); // brings the editor forward, still adding
        editor()->save();
        QCOMPARE(usernames(), QStringList({"carol", "alice", "bob", "eve"}));
    }

    void deleteAsksAndSaves() {
        select({2});
        TheDesktop().setNextAnswer(seams::Answer::Cancel);
        main->deleteEntry();
        const auto& box = TheDesktop().shownBoxes().first();
        QCOMPARE(box.text,
                 QString("Are you sure you want to delete the following information?\r\n\r\nUsername: alice\r\n"
                         "Password: a-pw\r\nUsed At: https://mail.example.com"));
        QCOMPARE(box.title, QString("Confirm Delete"));
        QCOMPARE(box.style, (seams::BoxStyle{.buttons = seams::Buttons::OkCancel}));
        QCOMPARE(status(), QString("Entry not deleted, cancelled by user"));
        QCOMPARE(folder->onDisk(), vaultOf(kEntries));

        TheDesktop().setNextAnswer(seams::Answer::Ok);
        Control<QAction>(main, "mnuDataItem(1)")->trigger(); // the Data menu's delete
        QCOMPARE(usernames(), QStringList({"carol", "bob"}));
        QCOMPARE(status(), QString("Entry deleted successfully, data saved."));
        QCOMPARE(folder->onDisk(), vaultOf({kEntries[0], kEntries[2]}));

        // Deleting every entry leaves the master line and two line ends.
        for (int i = 0; i < 2; ++i) {
            select({1});
            TheDesktop().setNextAnswer(seams::Answer::Ok);
            main->deleteEntry();
        }
        QCOMPARE(folder->onDisk(), QByteArray::fromStdString(vault::MasterOnlyBytes("Secret1")) + "\r\n");
    }

    void severalSelectedRowsActOnTheTopOne() {
        select({3, 2});
        main->copyField(MainWindow::Field::Username);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("alice"));
        Control<QAction>(main, "mnuDataItem(2)")->trigger(); // the Data menu's edit
        QCOMPARE(Control<QLineEdit>(editor(), "txtUsername")->text(), QString("alice"));
    }

    void copyPutsTheFieldMarkedAsSecret() {
        select({2});
        const QStringList expected = {"alice", "a-pw", "https://mail.example.com"};
        const QStringList statuses = {"Copied Username alice", "Copied Password a-pw",
                                      "Copied Location https://mail.example.com"};
        for (int i = 0; i < 3; ++i) {
            Control<QAction>(main, qPrintable(QStringLiteral("mnuCopyItem(%1)").arg(i)))->trigger();
            const QMimeData* data = QGuiApplication::clipboard()->mimeData();
            QCOMPARE(data->text(), expected[i]);
            QCOMPARE(data->data("x-kde-passwordManagerHint"), QByteArray("secret"));
            QCOMPARE(status(), statuses[i]);
        }
        QTest::mouseClick(Control<QToolButton>(main, "cmdCopy(1)"), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("a-pw"));
    }

    // Ctrl+C and Ctrl+Insert copy the current cell's field through the Copy command, Delete asks and
    // deletes, Enter and a double click edit; the focus stays on the list.
    void theListsKeysRunTheCommands() {
        QApplication::setActiveWindow(main);
        ListView* list = EntryList(main);
        list->setFocus();
        QGuiApplication::clipboard()->setText("before");
        QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(status(), QString("You must first select a row to copy from."));
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());

        // The row is selected and the current cell moved as a click would, whatever modifier keys the
        // last key press left behind.
        const auto cell = [&](int row, int column) {
            select({row});
            list->selectionModel()->setCurrentIndex(list->model()->index(row - 1, column),
                                                    QItemSelectionModel::NoUpdate);
        };
        cell(2, 1); // alice's password
        QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(data->text(), QString("a-pw"));
        QCOMPARE(data->data("x-kde-passwordManagerHint"), QByteArray("secret"));
        QCOMPARE(status(), QString("Copied Password a-pw"));
        cell(2, 2);
        QTest::keyClick(list, Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("https://mail.example.com"));
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->data("x-kde-passwordManagerHint"), QByteArray("secret"));
        QVERIFY(list->hasFocus());

        TheDesktop().setNextAnswer(seams::Answer::Cancel);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(TheDesktop().shownBoxes().size(), 1);
        QCOMPARE(TheDesktop().shownBoxes().first().title, QString("Confirm Delete"));
        QCOMPARE(status(), QString("Entry not deleted, cancelled by user"));
        QVERIFY(list->hasFocus());
        TheDesktop().setNextAnswer(seams::Answer::Ok);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(usernames(), QStringList({"carol", "bob"}));
        QCOMPARE(folder->onDisk(), vaultOf({kEntries[0], kEntries[2]}));
        QVERIFY(list->hasFocus());

        select({2});
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(editor() != nullptr);
        QCOMPARE(Control<QLineEdit>(editor(), "txtUsername")->text(), QString("bob"));
        editor()->close();
        QTRY_VERIFY(editor() == nullptr);
        select({1});
        QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(Control<QLineEdit>(editor(), "txtUsername")->text(), QString("carol"));
        editor()->close();
        QTRY_VERIFY(editor() == nullptr);
        const QRect bob = list->visualRect(list->model()->index(1, 0));
        // A double click as the window system delivers it: press, release, double click, release.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, bob.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, bob.center());
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, bob.center());
        QVERIFY(editor() != nullptr);
        QCOMPARE(Control<QLineEdit>(editor(), "txtUsername")->text(), QString("bob"));
        QCOMPARE(folder->onDisk(), vaultOf({kEntries[0], kEntries[2]}));

        // The copied password is cleared when the program ends, as one copied by its button is.
        editor()->close();
        QTRY_VERIFY(editor() == nullptr);
        cell(2, 1);
        QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("b-pw"));
        Control<QAction>(main, "mnuFileItem(0)")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    }

    void closingClearsACopiedValueFromTheClipboard() {
        select({2});
        main->copyField(MainWindow::Field::Password);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("a-pw"));
        Control<QAction>(main, "mnuFileItem(0)")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());

        // Something the user copied elsewhere afterwards is left alone.
        cleanup();
        init();
        select({2});
        main->copyField(MainWindow::Field::Password);
        QGuiApplication::clipboard()->setText("from another program");
        main->close();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("from another program"));
    }

    // The editor's password box copies as the Copy command does: marked as secret, and cleared at exit.
    void theEditorsCopiesAreSecretCopies_data() {
        QTest::addColumn<QString>("menuAction"); // empty: the key
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("cut");
        QTest::newRow("Ctrl+C") << QString() << int(Qt::Key_C) << int(Qt::ControlModifier) << false;
        QTest::newRow("Ctrl+Insert") << QString() << int(Qt::Key_Insert) << int(Qt::ControlModifier) << false;
        QTest::newRow("Ctrl+X") << QString() << int(Qt::Key_X) << int(Qt::ControlModifier) << true;
        QTest::newRow("Shift+Delete") << QString() << int(Qt::Key_Delete) << int(Qt::ShiftModifier) << true;
        QTest::newRow("menu Copy") << "&Copy" << 0 << 0 << false;
        QTest::newRow("menu Cut") << "Cu&t" << 0 << 0 << true;
    }
    void theEditorsCopiesAreSecretCopies() {
        QFETCH(QString, menuAction);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, cut);
        select({2});
        main->editEntry();
        QLineEdit* box = Control<QLineEdit>(editor(), "txtPassword");
        QCOMPARE(box->text(), QString("a-pw"));
        QGuiApplication::clipboard()->setText("before");
        box->setFocus();
        box->selectAll();
        if (menuAction.isEmpty()) {
            QTest::keyClick(box, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        } else {
            std::unique_ptr<QMenu> menu(editor()->passwordMenu());
            QAction* action = nullptr;
            for (QAction* each : menu->actions()) {
                if (each->text().section('\t', 0, 0) == menuAction) {
                    action = each;
                }
            }
            QVERIFY(action != nullptr && action->isEnabled());
            action->trigger();
        }
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(data->text(), QString("a-pw"));
        QCOMPARE(data->data("x-kde-passwordManagerHint"), QByteArray("secret"));
        QCOMPARE(box->text(), cut ? QString() : QString("a-pw"));
        Control<QAction>(main, "mnuFileItem(0)")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    }

    void gotoTargets_data() {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("target");
        QTest::newRow("www, no scheme") << "www.example.org"
                                        << "http://www.example.org";
        QTest::newRow(".com and HTTPS in capitals") << "HTTPS://mail.example.com"
                                                    << "HTTPS://mail.example.com";
        QTest::newRow("org inside a folder name") << "C:\\Organizer\\notes"
                                                  << "http://C:\\Organizer\\notes";
        QTest::newRow("no marker") << "/home/me/documents"
                                   << "/home/me/documents";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("biz without a dot") << "mybizsite"
                                           << "http://mybizsite";
        QTest::newRow(".edu") << "cs.uni.EDU/~me"
                              << "http://cs.uni.EDU/~me";
        QTest::newRow(".net") << "ftp.example.net"
                              << "http://ftp.example.net";
        QTest::newRow(".com alone") << "shop.example.com"
                                    << "http://shop.example.com";
        QTest::newRow("HTTP in capitals") << "HTTP://shop.example.com"
                                          << "HTTP://shop.example.com";
        QTest::newRow("scheme later in the text") << "see http://x.com"
                                                  << "see http://x.com";
        QTest::newRow("shell characters stay text") << "www.x.com; rm -rf ~"
                                                    << "http://www.x.com; rm -rf ~";
        // No marker: a host name, with a port or a path, is an address; anything else goes as it is.
        QTest::newRow("host name") << "example.fr"
                                   << "http://example.fr";
        QTest::newRow("host and path") << "mail.example.co.uk/inbox"
                                       << "http://mail.example.co.uk/inbox";
        QTest::newRow("host and port") << "intranet.local:8080"
                                       << "http://intranet.local:8080";
        QTest::newRow("port, path, query") << "a-b.example.de:443/x?y=1#z"
                                           << "http://a-b.example.de:443/x?y=1#z";
        QTest::newRow("other alphabets") << "bücher.example"
                                         << "http://bücher.example";
        QTest::newRow("a relative name is a host") << "notes.txt"
                                                   << "http://notes.txt";
        QTest::newRow("absolute path") << "/home/u/example.fr"
                                       << "/home/u/example.fr";
        QTest::newRow("home not expanded") << "~/example.fr"
                                           << "~/example.fr";
        QTest::newRow("file scheme") << "file:///home/u/example.fr"
                                     << "file:///home/u/example.fr";
        QTest::newRow("mail scheme") << "mailto:a@example.fr"
                                     << "mailto:a@example.fr";
        QTest::newRow("drive letter") << "D:\\notes.txt"
                                      << "D:\\notes.txt";
        QTest::newRow("no dot") << "localhost:8080"
                                << "localhost:8080";
        QTest::newRow("one-letter top level") << "example.f"
                                              << "example.f";
        QTest::newRow("numeric top level") << "10.0.0.1"
                                           << "10.0.0.1";
        QTest::newRow("hyphen at a label's end") << "bad-.example.fr"
                                                 << "bad-.example.fr";
        QTest::newRow("hyphen at a label's start") << "-x.example.fr"
                                                   << "-x.example.fr";
        QTest::newRow("trailing dot") << "example.fr."
                                      << "example.fr.";
        QTest::newRow("port not a number") << "example.fr:abc"
                                           << "example.fr:abc";
        QTest::newRow("words around a host") << "see example.fr"
                                             << "see example.fr";
    }
    void gotoTargets() {
        QFETCH(QString, location);
        QFETCH(QString, target);
        QCOMPARE(webAddress::GotoTarget(location), target);
    }

    void gotoStartsTheOpenerDetached() {
        select({1});
        main->openLocation();
        QCOMPARE(status(), QString("Opening Location..."));
        QCOMPARE(TheDesktop().startedPrograms().size(), 1);
        QCOMPARE(TheDesktop().startedPrograms()[0].program, QString("xdg-open"));
        QCOMPARE(TheDesktop().startedPrograms()[0].arguments, QStringList({"http://www.carol.example"}));
        TheDesktop().setLaunchSucceeds(false);
        Control<QAction>(main, "mnuDataItem(3)")->trigger();
        QCOMPARE(status(), QString("Could not open the location: xdg-open could not be started."));
    }

    // A location longer than the system hands to a program, and other failures, are told as they are.
    void gotoSaysWhyTheOpenerDidNotStart() {
        select({2});
        TheDesktop().setLaunchError(E2BIG);
        main->openLocation();
        QCOMPARE(status(), QString("Could not open the location: it is too long to hand to xdg-open."));
        TheDesktop().setLaunchError(EACCES);
        Control<QAction>(main, "mnuDataItem(3)")->trigger();
        QCOMPARE(status(), QString("Could not open the location: xdg-open could not be started (Permission denied)."));
        TheDesktop().setLaunchError(0);
        main->openLocation();
        QCOMPARE(status(), QString("Opening Location..."));
        QCOMPARE(TheDesktop().startedPrograms().size(), 3);
    }

    // A location the opener would read as an option, or as more than one line or cut short, is never
    // handed to it: the status line blames the location.
    void gotoRefusesALocationThatReadsAsAnOption_data() {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("status");
        QTest::newRow("dash") << "-manual"
                              << "Could not open -manual: a location can not begin with \"-\".";
        QTest::newRow("line feed") << "www.a.example\n-x"
                                   << "Could not open www.a.example-x: a location can not hold a line break.";
        QTest::newRow("carriage return") << "/home/u/a\rb"
                                         << "Could not open /home/u/ab: a location can not hold a line break.";
        QTest::newRow("NUL") << QString("/home/u/a") + QChar(0) + "b"
                             << "Could not open /home/u/ab: a location can not hold a NUL character.";
    }
    void gotoRefusesALocationThatReadsAsAnOption() {
        QFETCH(QString, location);
        QFETCH(QString, status);
        EntryList(main)->setSubItem(1, 2, location);
        select({1});
        main->openLocation();
        QCOMPARE(this->status(), status);
        QVERIFY(TheDesktop().startedPrograms().isEmpty());
    }

    void menusOpenWindowsAndExit() {
        QVERIFY(QFile::copy(QStringLiteral(KEYSHELF_HELP_RTF), folder->filePath("Help.rtf")));
        Control<QAction>(main, "mnuHelpItem(0)")->trigger();
        QVERIFY(TheRun().helpWindow() != nullptr && TheRun().helpWindow()->isVisible());
        Control<QAction>(main, "mnuAboutItem(0)")->trigger();
        QVERIFY(TheRun().aboutWindow() != nullptr && TheRun().aboutWindow()->isVisible());
        Control<QAction>(main, "mnuAboutItem(0)")->trigger(); // already open: the same window, in front
        QCOMPARE(QApplication::topLevelWidgets().count(QApplication::topLevelWidgets().first()), 1);
        Control<QAction>(main, "mnuDataItem(0)")->trigger();
        QVERIFY(editor() != nullptr && editor()->windowTitle() == "Add an entry");
        Control<QAction>(main, "mnuFileItem(0)")->trigger();
        QCOMPARE(TheDesktop().endCalls(), 1);
        QTRY_VERIFY(editor() == nullptr); // closed without saving
        QCOMPARE(folder->onDisk(), vaultOf(kEntries));
    }

    void sortingFlipsOneDirectionAndSavesFollow() {
        main->sortByColumn(1); // the first click sorts descending
        QCOMPARE(usernames(), QStringList({"carol", "bob", "alice"}));
        main->sortByColumn(1);
        QCOMPARE(usernames(), QStringList({"alice", "bob", "carol"}));
        main->sortByColumn(3); // the next column, in the opposite direction
        QCOMPARE(EntryList(main)->subItem(1, 2), QString("www.carol.example"));
        QCOMPARE(EntryList(main)->subItem(3, 2), QString("https://mail.example.com"));
        main->sortByColumn(2);
        QCOMPARE(usernames(), QStringList({"alice", "bob", "carol"})); // a-pw, b-pw, c-pw
        QCOMPARE(folder->onDisk(), vaultOf(kEntries));                 // sorting alone writes nothing

        // A new entry takes its sorted place, and the file follows the display order.
        main->sortByColumn(1); // descending by username
        main->addEntry();
        type("bea", "x", "");
        editor()->save();
        QCOMPARE(usernames(), QStringList({"carol", "bob", "bea", "alice"}));
        QCOMPARE(folder->onDisk(), vaultOf({kEntries[0], kEntries[2], {"bea", "x", ""}, kEntries[1]}));
    }

    void sortingAnEmptyListChangesNothing() {
        for (int i = 0; i < 3; ++i) {
            select({1});
            TheDesktop().setNextAnswer(seams::Answer::Ok);
            main->deleteEntry();
        }
        main->sortByColumn(2);
        QVERIFY(!EntryList(main)->sorted());
        QCOMPARE(EntryList(main)->sortOrder(), 0);
        EntryList(main)->add("b");
        EntryList(main)->add("a");
        main->sortByColumn(1); // the first flip after entries exist
        QCOMPARE(EntryList(main)->sortOrder(), 1);
        QCOMPARE(usernames(), QStringList({"b", "a"}));
    }

    void fieldsTheFileCannotHoldAreRefused_data() {
        QTest::addColumn<QString>("username");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("message");
        QTest::newRow("separator in the username")
            << "a|||b"
            << "pw"
            << ""
            << "The username can not contain \"|||\" or end with \"|\", because \"|||\" separates the fields in "
               "the password file.";
        QTest::newRow("bar at the end of the password")
            << "u"
            << "pw|"
            << ""
            << "The password can not contain \"|||\" or end with \"|\", because \"|||\" separates the fields in "
               "the password file.";
        QTest::newRow("separator in the website")
            << "u"
            << "pw"
            << "x|||y"
            << "The website can not contain \"|||\", which separates the fields in the password file.";
        QTest::newRow("character outside the code page")
            << "u"
            << "pw"
            << "\u0416.example"
            << "The website contains a character \"\u0416\" that can not be stored in the password file.  Please "
               "leave it out.";
        QTest::newRow("a control that would end the line")
            << "u\u008D"
            << "pw"
            << ""
            << "The username contains a control character that can not be stored in the password file.  Please "
               "leave it out.";
    }
    void fieldsTheFileCannotHoldAreRefused() {
        QFETCH(QString, username);
        QFETCH(QString, password);
        QFETCH(QString, location);
        QFETCH(QString, message);
        main->addEntry();
        type(username, password, location);
        editor()->save();
        QCOMPARE(boxTexts(), QStringList({message}));
        QVERIFY(editor()->isVisible());
        QCOMPARE(EntryList(main)->count(), 3);
        QCOMPARE(folder->onDisk(), vaultOf(kEntries));
    }

    void aFullListRefusesAnotherEntry() {
        QList<ListEntry> rows;
        for (int i = 3; i < vault::kMaxEntries; ++i) {
            rows.append({QString::number(i), "p", ""});
        }
        QVERIFY(EntryList(main)->entries()->addRows(rows));
        main->addEntry();
        type("one", "too many", "");
        editor()->save();
        QCOMPARE(boxTexts(), QStringList({"The list is full: the password file holds at most 32,767 entries.  Delete "
                                          "an entry before adding another."}));
        QCOMPARE(EntryList(main)->count(), vault::kMaxEntries);
    }

    // An import tells all it leaves out before it is done: the dialog's report lists every refused row
    // (scrolling when they are many) and each column no entry keeps; the offer to delete the file then says
    // what deleting it would lose, and No keeps it.
    void importTellsAllItLeavesOut() {
        const QString csv = folder->filePath("export.csv");
        QByteArray rows = "name,url,username,password,note\n";
        for (int i = 0; i < 40; ++i) {
            rows += "pin,https://pin.example,," + QByteArray::number(1000 + i) + ",\n";
        }
        rows += "Mail,https://mail.example,dan,d-pw,\"call\nfirst\"\n";
        QFile f(csv);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(rows) == rows.size());
        f.close();
        QString report;
        bool scrolls = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<ImportDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                return; // the test fails below: no report was read
            }
            report = Control<QLabel>(dialog, "importReport")->text();
            const auto* area = dialog->findChild<QScrollArea*>("importReportArea");
            scrolls = area != nullptr && area->widget()->height() > area->viewport()->height() &&
                      area->verticalScrollBar()->maximum() > 0;
            dialog->accept();
        });
        emit main->importRequested(csv);

        QStringList expected = {"Refused: 40"};
        for (int line = 2; line <= 41; ++line) {
            expected << QStringLiteral("  line %1: You must enter a username").arg(line);
        }
        expected << "Not kept, as the password file has no place for them: 1 column"
                 << "  note: a value in 1 row";
        QVERIFY2(report.contains(expected.join('\n')), qPrintable(report));
        QVERIFY(scrolls);
        QCOMPARE(usernames(), QStringList({"carol", "alice", "bob", "dan"}));
        QCOMPARE(boxTexts().size(), 1);
        QVERIFY2(boxTexts().front().contains("It also holds what was not imported: 40 refused rows and the values of "
                                             "the note column (1 row).  Deleting the file loses them.  Delete it now?"),
                 qPrintable(boxTexts().front()));
        QVERIFY(QFile::exists(csv));
    }

    void failedSavesLoseNothing() {
        DiskFull full;
        folder->files().use(&full);
        // Add: the row goes again, the editor keeps what was typed.
        main->addEntry();
        type("dave", "d-pw", "");
        editor()->save();
        QCOMPARE(EntryList(main)->count(), 3);
        QVERIFY(editor()->isVisible());
        QCOMPARE(Control<QLineEdit>(editor(), "txtUsername")->text(), QString("dave"));
        QVERIFY(boxTexts().last().contains(folder->vaultPath()));
        QVERIFY(boxTexts().last().contains("disk is full"));
        QVERIFY(!status().contains("saved", Qt::CaseInsensitive) || status().startsWith("Not saved"));
        editor()->close();
        QTRY_VERIFY(editor() == nullptr);

        // Edit: the entry keeps its old fields.
        select({2});
        main->editEntry();
        type("alice", "new", "");
        editor()->save();
        QCOMPARE(EntryList(main)->subItem(2, 1), QString("a-pw"));
        QVERIFY(editor()->isVisible());
        editor()->close();
        QTRY_VERIFY(editor() == nullptr);

        // Delete: the row comes back where it was, selected.
        select({2});
        TheDesktop().setNextAnswer(seams::Answer::Ok);
        main->deleteEntry();
        QCOMPARE(usernames(), QStringList({"carol", "alice", "bob"}));
        QVERIFY(EntryList(main)->selected(2));
        QCOMPARE(status(), QString("Not saved."));
        QCOMPARE(folder->onDisk(), vaultOf(kEntries));
    }
};

KEYSHELF_TEST_MAIN(CommandsTest)
#include "CommandsTest.moc"
