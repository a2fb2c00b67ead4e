// The windows under faults and bad input: whatever happens to the file or the folder, no saved entry is
// lost, the user is told, and nothing claims success that did not happen. Runs as an ordinary user (CTest
// starts it as "nobody" when the suite runs as root), since file modes do not bind the superuser.
#include "BuildConfiguration.h"
#include "Controls.h"
#include "DesignCheck.h"
#include "EntryEditor.h"
#include "FakeDesktop.h"
#include "HelpWindow.h"
#include "MainWindow.h"
#include "PasswordDialog.h"
#include "Program.h"
#include "ProgramProbe.h"
#include "RtfDocument.h"
#include "Seams.h"
#include "Startup.h"
#include "TestMain.h"
#include "VaultFormat.h"

#include <QClipboard>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

using vault::Entry;

namespace {

const std::vector<Entry> kEntries = {{"alice", "a-pw", "www.alice.example"}, {"bob", "b-pw", ""}};

} // namespace

class FaultsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<FakeDesktop> desktop;
    BuildConfiguration build = BuildConfiguration::ofThisBuild();
    std::unique_ptr<Program> program;
    MainWindow* main = nullptr;

    ListView* entryList() const { return Control<ListView>(main, "lstPass"); }

    QString path() const { return folder->filePath("data.enc"); }
    QByteArray onDisk() const {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    void write(const QByteArray& bytes) const {
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    static QByteArray vaultOf(const std::vector<Entry>& entries, const char* master = "Secret1") {
        return QByteArray::fromStdString(vault::VaultBytes(master, entries));
    }
    QStringList boxes() const {
        QStringList out;
        for (const auto& b : TheDesktop().shownBoxes()) {
            out << b.text;
        }
        return out;
    }
    // Opens the vault; returns the password dialog, or nullptr when start-up ended.
    PasswordDialog* open() {
        main = program->LoadMainWindow();
        program->OpenVault();
        return ProgramProbe(*program).passwordDialog();
    }
    void logIn(const char* password = "Secret1") {
        PasswordDialog* dialog = open();
        QVERIFY(dialog != nullptr);
        Control<QLineEdit>(dialog, "txtPass")->setText(password);
        dialog->confirmPassword();
        QVERIFY(ProgramProbe(*program).passwordDialog() == nullptr);
    }
    // Adds an entry through the editor; true when the editor closed (the entry was stored).
    bool addEntry(const char* username) {
        main->addEntry();
        EntryEditor* editor = ProgramProbe(*program).editor();
        Control<QLineEdit>(editor, "txtUsername")->setText(username);
        Control<QLineEdit>(editor, "txtPassword")->setText("pw");
        editor->save();
        return !editor->isVisible();
    }
    // The add failed in every respect the user depends on.
    void expectNotSaved(const QByteArray& before, const QString& reason) {
        QVERIFY(!boxes().isEmpty());
        QVERIFY2(boxes().last().contains(path()), qPrintable(boxes().last()));
        QVERIFY2(boxes().last().contains(reason), qPrintable(boxes().last()));
        QCOMPARE(StatusText(main), QString("Not saved."));
        QCOMPARE(entryList()->count(), 2); // the row went again
        QVERIFY(ProgramProbe(*program).editor() != nullptr &&
                ProgramProbe(*program).editor()->isVisible()); // with what was typed
        QCOMPARE(onDisk(), before);
    }

private slots:
    void initTestCase() {
        Startup::PrepareApplication();
        build.bannered = false;
        qInfo("running as uid %d", int(::getuid()));
    }

    void init() {
        folder = std::make_unique<QTemporaryDir>();
        desktop = std::make_unique<FakeDesktop>(folder->path());
        seams::OpenSettings()->setValue("Settings/showHelp", "0");
        write(vaultOf(kEntries));
        program = std::make_unique<Program>(*desktop, build);
    }

    void cleanup() {
        ::chmod(folder->path().toLocal8Bit(), 0700);
        DestroyAllWindows();
        program.reset();
        main = nullptr;
        desktop.reset();
    }

    void folderMadeReadOnly() {
        logIn();
        QVERIFY(::chmod(folder->path().toLocal8Bit(), 0500) == 0);
        if (::access(folder->path().toLocal8Bit(), W_OK) == 0) {
            QSKIP("file modes do not bind this user");
        }
        QVERIFY(!addEntry("carol"));
        expectNotSaved(vaultOf(kEntries), "permission denied");
    }

    void fileMadeReadOnly() {
        logIn();
        QVERIFY(::chmod(path().toLocal8Bit(), 0400) == 0);
        if (::access(path().toLocal8Bit(), W_OK) == 0) {
            QSKIP("file modes do not bind this user");
        }
        // The new mode changed the file's inode, which is asked about first; replacing is then refused.
        TheDesktop().setNextAnswer(seams::Answer::Yes);
        QVERIFY(!addEntry("carol"));
        expectNotSaved(vaultOf(kEntries), "permission denied");
    }

    void unreadableAtStart() {
        QVERIFY(::chmod(path().toLocal8Bit(), 0200) == 0);
        if (::access(path().toLocal8Bit(), R_OK) == 0) {
            QSKIP("file modes do not bind this user");
        }
        QVERIFY(open() == nullptr);
        QCOMPARE(TheDesktop().endCalls(), 1);
        QVERIFY(boxes().value(0).startsWith("Could not read " + path()));
        QVERIFY(boxes().value(0).contains("permission denied"));
        ::chmod(path().toLocal8Bit(), 0600);
        QCOMPARE(onDisk(), vaultOf(kEntries)); // never written
    }

    void aFileOfGigabytesAtStart() {
        // 2 GiB that take no room on the disk: a hole, which reads back as zeros.
        QFile file(path());
        QVERIFY(file.resize(qint64(2) << 30));
        const QDateTime modified = QFileInfo(path()).lastModified();
        const QStringList names = QDir(folder->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
        QVERIFY(open() == nullptr);
        QCOMPARE(TheDesktop().endCalls(), 1);
        QCOMPARE(boxes(), QStringList{"Could not read " + path() +
                                      ": it is 2.0 GB, larger than any Keyshelf vault can be (64 MB).  Keyshelf "
                                      "will now end without changing it."});
        QCOMPARE(TheDesktop().shownBoxes().value(0).style, (seams::BoxStyle{.icon = seams::Icon::Critical}));
        const QFileInfo after(path());
        QCOMPARE(after.size(), qint64(2) << 30);
        QCOMPARE(after.lastModified(), modified);
        QCOMPARE(QDir(folder->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System), names);
    }

    void replacedByAFolderOrADanglingLink() {
        logIn();
        QFile::remove(path());
        QVERIFY(QDir(folder->path()).mkdir("data.enc"));
        // The folder is not the file Keyshelf read, so the save first reads it, and meets the folder.
        QVERIFY(!addEntry("carol"));
        QCOMPARE(boxes().size(), 1);
        QVERIFY(boxes().last().contains("it is a folder"));
        QCOMPARE(StatusText(main), QString("Not saved."));
        QVERIFY(QFileInfo(path()).isDir());

        QVERIFY(QDir(folder->path()).rmdir("data.enc"));
        std::filesystem::create_symlink(folder->filePath("gone.enc").toStdString(), path().toStdString());
        ProgramProbe(*program).editor()->save();
        QVERIFY(boxes().last().contains("does not exist"));
        QVERIFY(!QFileInfo::exists(folder->filePath("gone.enc")));
        QCOMPARE(entryList()->count(), 2);
    }

    void danglingLinkAtStart() {
        QFile::remove(path());
        std::filesystem::create_symlink(folder->filePath("gone.enc").toStdString(), path().toStdString());
        QVERIFY(open() == nullptr);
        QCOMPARE(TheDesktop().endCalls(), 1);
        QVERIFY(boxes().value(0).contains("does not exist"));
        QVERIFY(!QFileInfo::exists(folder->filePath("gone.enc")));
    }

    void removedWhileRunning() {
        logIn();
        QVERIFY(QFile::remove(path()));
        QVERIFY(addEntry("carol")); // the list is whole: it is written again, owner-only
        QCOMPARE(onDisk(), vaultOf({kEntries[0], kEntries[1], {"carol", "pw", ""}}));
        QCOMPARE(QFileInfo(path()).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        QVERIFY(StatusText(main).startsWith("Added new entry."));
    }

    // While the list is in use, another program's change shows by itself; an open editor holds it back
    // until it closes, so that nothing it was opened on moves under it.
    void changedElsewhereReloadsOnceTheEditorCloses() {
        logIn();
        main->addEntry();
        write(vaultOf({kEntries[0], kEntries[1], {"zed", "from elsewhere", ""}}));
        QTest::qWait(1200); // more than two looks at the file
        QCOMPARE(entryList()->count(), 2);
        ProgramProbe(*program).editor()->close();
        QTRY_COMPARE_WITH_TIMEOUT(entryList()->count(), 3, 5000);
        QCOMPARE(StatusText(main), QString("Reloaded 3 entries: the file was changed by another program"));
        QVERIFY(boxes().isEmpty());
    }

    // A change saved after another program wrote the file is made to the file as that program left it.
    void changedByAnotherProgramWhileRunning() {
        logIn();
        const Entry zed{"zed", "from elsewhere", ""};
        write(vaultOf({kEntries[0], kEntries[1], zed}));
        QVERIFY(addEntry("carol"));
        QCOMPARE(onDisk(), vaultOf({kEntries[0], kEntries[1], zed, {"carol", "pw", ""}}));
        QCOMPARE(entryList()->count(), 4);
        QVERIFY(boxes().isEmpty());
        QVERIFY(addEntry("dave"));

        // A change made in place, of the same length in the same file, is noticed by its time alone.
        QByteArray edited = onDisk();
        const qsizetype at = edited.indexOf(QByteArray::fromStdString(vault::EntryLine({"dave", "pw", ""})));
        QVERIFY(at > 0);
        edited[at] = static_cast<char>(edited[at] ^ 0x20); // "dave" becomes "Dave"
        struct stat before {};
        QCOMPARE(::stat(path().toLocal8Bit().constData(), &before), 0);
        {
            QFile f(path());
            QVERIFY(f.open(QIODevice::ReadWrite)); // no truncation: the same file, rewritten
            QCOMPARE(f.write(edited), edited.size());
        }
        const timespec later[2] = {{before.st_atim.tv_sec, 0}, {before.st_mtim.tv_sec + 5, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, path().toLocal8Bit().constData(), later, 0), 0);
        struct stat after {};
        QCOMPARE(::stat(path().toLocal8Bit().constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_size, before.st_size);
        QVERIFY(addEntry("erin"));
        QCOMPARE(onDisk(),
                 vaultOf({kEntries[0], kEntries[1], zed, {"carol", "pw", ""}, {"Dave", "pw", ""}, {"erin", "pw", ""}}));

        // The same, with the modification time put back as it was: the inode's change time still tells.
        QCOMPARE(::stat(path().toLocal8Bit().constData(), &before), 0);
        edited = onDisk();
        edited[at] = static_cast<char>(edited[at] ^ 0x20);
        {
            QFile f(path());
            QVERIFY(f.open(QIODevice::ReadWrite));
            QCOMPARE(f.write(edited), edited.size());
        }
        // The kernel stamps the change time from a clock that moves in ticks of a few milliseconds: put the
        // times back until a tick has passed since the save, as a slower editor's would be.
        const timespec putBack[2] = {before.st_atim, before.st_mtim};
        QElapsedTimer waited;
        waited.start();
        do {
            QCOMPARE(::utimensat(AT_FDCWD, path().toLocal8Bit().constData(), putBack, 0), 0);
            QCOMPARE(::stat(path().toLocal8Bit().constData(), &after), 0);
        } while (after.st_ctim.tv_sec == before.st_ctim.tv_sec && after.st_ctim.tv_nsec == before.st_ctim.tv_nsec &&
                 waited.elapsed() < 5000);
        QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
        QCOMPARE(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
        QCOMPARE(after.st_size, before.st_size);
        QVERIFY(addEntry("fred"));
        QCOMPARE(onDisk(), vaultOf({kEntries[0],
                                    kEntries[1],
                                    zed,
                                    {"carol", "pw", ""},
                                    {"dave", "pw", ""},
                                    {"erin", "pw", ""},
                                    {"fred", "pw", ""}}));
        QVERIFY(boxes().isEmpty());
    }

    // An edit or a delete whose own entry another program changed is asked about, Enter leaving the file as
    // that program left it; Yes to an edit stores what was typed beside it.
    void anEntryChangedElsewhereIsAskedAbout() {
        logIn();
        main->selectOnly(2);
        main->editEntry();
        QPointer<EntryEditor> editor = ProgramProbe(*program).editor();
        Control<QLineEdit>(editor, "txtPassword")->setText("typed");
        const Entry theirs{"bob", "their-pw", ""};
        write(vaultOf({kEntries[0], theirs}));
        editor->save();
        QVERIFY(!boxes().isEmpty());
        const auto& box = TheDesktop().shownBoxes().last();
        QCOMPARE(box.title, QString("File Changed"));
        QCOMPARE(
            box.style,
            (seams::BoxStyle{.buttons = seams::Buttons::YesNo, .icon = seams::Icon::Exclamation, .defaultButton = 1}));
        QVERIFY2(box.text.contains("\r\n\r\nbob\r\n\r\n"), qPrintable(box.text));
        QCOMPARE(onDisk(), vaultOf({kEntries[0], theirs}));
        QVERIFY(editor != nullptr && editor->isVisible());
        TheDesktop().setNextAnswer(seams::Answer::Yes);
        editor->save();
        QVERIFY2(editor == nullptr || !editor->isVisible(), qPrintable(boxes().join("|")));
        QCOMPARE(onDisk(), vaultOf({kEntries[0], theirs, {"bob", "typed", ""}}));

        main->selectOnly(2); // their bob, which they change again
        const QByteArray again = vaultOf({kEntries[0], {"bob", "again", ""}, {"bob", "typed", ""}});
        write(again);
        TheDesktop().setNextAnswer(seams::Answer::Ok); // to Confirm Delete; Enter to what follows
        const int shown = TheDesktop().shownBoxes().size();
        main->deleteEntry();
        QCOMPARE(TheDesktop().shownBoxes().size(), shown + 2);
        QCOMPARE(TheDesktop().shownBoxes().last().title, QString("File Changed"));
        QCOMPARE(onDisk(), again);
        QCOMPARE(entryList()->count(), 3);
    }

    // Without the program's folder there is no vault path: a box says so and the run ends as failed
    // before any window, lock or file is made (neither in the folder started from nor at "/data.enc").
    void unknownProgramFolderEndsTheRunAtOnce() {
        program.reset();
        TheDesktop().setExecutableDirUnknown();
        const QString cwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder->path()));
        const auto back = qScopeGuard([&] { QDir::setCurrent(cwd); });
        const QStringList before = QDir(folder->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
        QObject guard; // a run that went on into the event loop is stopped, to fail below
        QTimer::singleShot(3000, &guard, [] { QCoreApplication::exit(0); });
        QCOMPARE(Startup::Run(*qobject_cast<QApplication*>(QCoreApplication::instance()), *desktop, build), 1);
        QCOMPARE(boxes().size(), 1);
        QVERIFY2(boxes()[0].contains("could not find the folder"), qPrintable(boxes()[0]));
        QCOMPARE(TheDesktop().shownBoxes()[0].style, (seams::BoxStyle{.icon = seams::Icon::Critical}));
        QCOMPARE(QDir(folder->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), before);
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void badFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("createMode");
        QTest::addColumn<QString>("stored");
        QTest::newRow("zero bytes") << QByteArray() << true << QString();
        QTest::newRow("only CR") << QByteArray("\r\r\r") << true << QString();
        QTest::newRow("only LF") << QByteArray("\n\n\n") << false << QString::fromUtf8("ŠŠŠ");
        QTest::newRow("master line without CR") << vaultOf({}).left(7) << false << QString("Secret1");
        QTest::newRow("binary noise") << QByteArray::fromHex("00ff7f80fe0d9a0a1b2c3d0d0a0a0dffee") << false
                                      << QString::fromUtf8("€ÿ\u00ff\u20ac").left(0);
    }
    void badFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, createMode);
        QFETCH(QString, stored);
        write(bytes);
        QVERIFY(open() != nullptr);
        QCOMPARE(ProgramProbe(*program).passwordDialog()->mode() == PasswordDialog::Mode::Create, createMode);
        if (!stored.isEmpty()) {
            QVERIFY(ProgramProbe(*program).session().isMasterPassword(stored));
        }
        QCOMPARE(onDisk(), bytes); // opening writes nothing
    }

    void trailingLineWithoutLineEnd() {
        write(vaultOf({}).chopped(2) + QByteArray::fromStdString(vault::EntryLine({"last", "x", "y"})));
        logIn();
        QCOMPARE(entryList()->count(), 1);
        QCOMPARE(entryList()->text(1), QString("last"));
    }

    void aFiftyMegabyteLine() {
        const std::string huge(50 * 1024 * 1024, 'x');
        write(QByteArray::fromStdString(vault::VaultBytes("Secret1", {{"big", huge, "z"}})));
        logIn();
        QCOMPARE(entryList()->count(), 1);
        QCOMPARE(entryList()->subItem(1, 1).size(), qsizetype(huge.size())); // kept whole
        const QString shown = entryList()->entryModel()->index(0, 1).data().toString();
        QVERIFY(shown.size() < 2000); // shown shortened
        main->show();
        entryList()->viewport()->repaint();
        // Messages and the status line show such a field shortened; the clipboard gets it whole.
        entryList()->setSelected(1, true);
        main->copyField(MainWindow::Field::Password);
        QCOMPARE(QGuiApplication::clipboard()->text().size(), qsizetype(huge.size()));
        QVERIFY(StatusText(main).size() < 1000);
        TheDesktop().setNextAnswer(seams::Answer::Cancel);
        main->deleteEntry();
        QVERIFY(boxes().last().size() < 2000);
        // The editor's boxes take a field of any length, so an edit never cuts one short.
        main->editEntry();
        QCOMPARE(Control<QLineEdit>(ProgramProbe(*program).editor(), "txtPassword")->maxLength(),
                 std::numeric_limits<int>::max());
    }

    void moreEntriesThanTheFormatHolds() {
        // 1,000,000 lines, each an entry: the first 32,767 are shown, the user is told, nothing is saved.
        QByteArray bytes = vaultOf({}).chopped(2);
        const QByteArray line = QByteArray::fromStdString(vault::EntryLine({"u", "p", ""})) + "\r\n";
        bytes.reserve(bytes.size() + line.size() * 1000000);
        for (int i = 0; i < 1000000; ++i) {
            bytes += line;
        }
        write(bytes);
        logIn();
        QCOMPARE(entryList()->count(), vault::kMaxEntries);
        QVERIFY(boxes().value(0).contains("holds 1,000,000 entries, more than the 32,767"));
        entryList()->setSelected(1, true);
        TheDesktop().setNextAnswer(seams::Answer::Ok);
        main->deleteEntry();
        QCOMPARE(entryList()->count(), vault::kMaxEntries); // the delete was undone
        QCOMPARE(StatusText(main), QString("Not saved."));
        QCOMPARE(onDisk(), bytes);
    }

    // The format's limit itself is a vault like any other: all of it is shown and every change saved.
    void exactlyAsManyEntriesAsTheFormatHolds() {
        std::vector<Entry> entries;
        for (int i = 0; i < vault::kMaxEntries; ++i) {
            entries.push_back({"user" + std::to_string(i), "pw", ""});
        }
        write(vaultOf(entries));
        logIn();
        QCOMPARE(entryList()->count(), vault::kMaxEntries);
        QVERIFY(boxes().isEmpty());
        entryList()->setSelected(2, true);
        TheDesktop().setNextAnswer(seams::Answer::Ok);
        main->deleteEntry();
        QCOMPARE(StatusText(main), QString("Entry deleted successfully, data saved."));
        entries.erase(entries.begin() + 1);
        QCOMPARE(onDisk(), vaultOf(entries));
    }

    void helpDocuments_data() {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("shows");
        QTest::newRow("malformed") << QByteArray("{\\rtf1 {\\b broken \\'4") << "broken";
        QTest::newRow("deeply nested") << QByteArray("{\\rtf1 ") + QByteArray(100000, '{') + "deep"
                                       << "deep";
        QTest::newRow("not RTF") << QByteArray("<html>help</html>") << "";
        QTest::newRow("too big to be help") << QByteArray("{\\rtf1 ") + QByteArray(5 * 1024 * 1024, 'a') + "}"
                                            << "";
        const QByteArray paragraph = "A paragraph of ordinary help text, one of very many.\\par\n";
        QByteArray many("{\\rtf1 ");
        for (int i = 0; i < rtf::kMaxParagraphs * 3 / 4; ++i) {
            many += paragraph;
        }
        QTest::newRow("large but fine") << many + "The end.}"
                                        << "The end.";
        while (many.size() < 3 * 1024 * 1024) {
            many += paragraph;
        }
        QTest::newRow("more than the window shows") << many + "The end.}" << rtf::kLeftOut;
        QTest::newRow("one enormous paragraph") << QByteArray("{\\rtf1 start") + QByteArray(1024 * 1024, 'a') + "}"
                                                << "start";
    }
    void helpDocuments() {
        QFETCH(QByteArray, document);
        QFETCH(QString, shows);
        QFile f(folder->filePath("Help.rtf"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(document);
        f.close();
        logIn();
        Control<QAction>(main, "mnuHelpItem(0)")->trigger();
        HelpWindow* help = ProgramProbe(*program).helpWindow();
        QVERIFY(help != nullptr && help->isVisible());
        const QString text = Control<QTextEdit>(help, "rtf1")->toPlainText();
        QVERIFY(shows.isEmpty() ? text.isEmpty() : text.contains(shows));
    }
};

KEYSHELF_TEST_MAIN(FaultsTest)
#include "FaultsTest.moc"
