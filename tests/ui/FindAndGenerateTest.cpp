// Finding an entry in the main window and generating a password in the editor: what the user sees
// selected and reported, and what the vault holds afterwards.
#include "Controls.h"
#include "EntryEditor.h"
#include "FindBox.h"
#include "ListView.h"
#include "MainWindow.h"
#include "PasswordDialog.h"
#include "PasswordGenerator.h"
#include "PasswordOptionsDialog.h"
#include "Program.h"
#include "Seams.h"
#include "TestMain.h"
#include "VaultFile.h"
#include "VaultFormat.h"
#include "WindowTestRun.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>
#include <memory>

using vault::Entry;

namespace {

// Several thousand entries; a few of them are the ones looked for, in mixed case and beyond ASCII.
std::vector<Entry> ManyEntries() {
    std::vector<Entry> entries;
    for (int i = 0; i < 4000; ++i) {
        entries.push_back(
            {"user" + std::to_string(i), "pw" + std::to_string(i), "host" + std::to_string(i) + ".example"});
    }
    entries[10] = {"M\xC3\xBCller", "p1", "intranet"};               // Müller
    entries[1500] = {"anna", "p2", "https://m\xC3\x9CLLER.example"}; // in the location, capitals
    entries[3999] = {"M\xC3\x9Cller-admin", "p3", ""};               // the last row
    entries[2000] = {"zed", "m\xC3\xBCller", "nowhere"};             // only the password holds it
    return entries;
}

} // namespace

class FindAndGenerateTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowTestRun> folder;
    MainWindow* main = nullptr;

    void start(const std::vector<Entry>& entries) {
        main = folder->openWith(entries);
        QVERIFY(main != nullptr);
        QCOMPARE(EntryList(main)->count(), static_cast<int>(entries.size()));
        main->show();
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
    }
    // Ctrl+F, the text, then Enter (or Shift+Enter) the given number of times; the selected username.
    QString find(const QString& text, int times = 1, bool forward = true) {
        QTest::keyClick(main, Qt::Key_F, Qt::ControlModifier);
        FindBox* box = main->findBox();
        if (box == nullptr || !box->isVisible()) {
            return "(no find box)";
        }
        Control<QLineEdit>(box, "txtFind")->setText(text);
        for (int i = 0; i < times; ++i) {
            QTest::keyClick(Control<QLineEdit>(box, "txtFind"), Qt::Key_Return,
                            forward ? Qt::NoModifier : Qt::ShiftModifier);
        }
        return selectedUsername();
    }
    QString selectedUsername() const {
        const int row = EntryList(main)->firstSelected();
        return row == 0 ? QString() : EntryList(main)->text(row);
    }

private slots:
    void initTestCase() { WindowTestRun::PrepareApplication(); }
    void init() {
        folder = std::make_unique<WindowTestRun>(WindowTestRun::Options{.showHelp = "0"});
        start(ManyEntries());
    }
    void cleanup() {
        folder.reset();
        main = nullptr;
    }

    // Letter case and the code page's letters are matched as a reader would; the password is not searched.
    void findsUsernamesAndLocationsInOrderAndGoesRound() {
        const QByteArray before = folder->onDisk();
        QCOMPARE(find(QString::fromUtf8("MÜLLER")), QString::fromUtf8("Müller"));
        QCOMPARE(StatusText(main), QString("Found 1 of 3"));
        QCOMPARE(Control<QLabel>(main->findBox(), "lblResult")->text(), QString("Found 1 of 3"));
        // Part of the main window, over the list's bottom right corner: it goes where the window goes, also
        // where a window of its own could not be placed (Wayland).
        QCOMPARE(main->findBox()->window(), main);
        const QRect rows(EntryList(main)->viewport()->mapTo(main, QPoint(0, 0)), EntryList(main)->viewport()->size());
        QVERIFY(rows.contains(main->findBox()->geometry()));

        QTest::keyClick(Control<QLineEdit>(main->findBox(), "txtFind"), Qt::Key_Return);
        QCOMPARE(selectedUsername(), QString("anna"));
        // An entry out of sight comes to the middle of the list, clear of the box over its bottom corner.
        const QRect anna = EntryList(main)->visualRect(EntryList(main)->entryModel()->index(1500, 0));
        QVERIFY2(
            qAbs(anna.center().y() - EntryList(main)->viewport()->height() / 2) <= anna.height(),
            qPrintable(QString("row at %1 of %2").arg(anna.center().y()).arg(EntryList(main)->viewport()->height())));
        QTest::keyClick(main->findBox(), Qt::Key_F3);
        QCOMPARE(selectedUsername(), QString::fromUtf8("MÜller-admin"));
        QCOMPARE(StatusText(main), QString("Found 3 of 3"));
        // The last row was scrolled into view.
        const QRect last = EntryList(main)->visualRect(EntryList(main)->entryModel()->index(3999, 0));
        QVERIFY(EntryList(main)->viewport()->rect().contains(last));
        // Past the last it goes round to the first, and back again.
        QTest::keyClick(main->findBox(), Qt::Key_F3);
        QCOMPARE(selectedUsername(), QString::fromUtf8("Müller"));
        QTest::keyClick(main->findBox(), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(selectedUsername(), QString::fromUtf8("MÜller-admin"));
        QCOMPARE(EntryList(main)->selectionModel()->selectedRows().size(), 1); // one entry selected, no more

        // Escape closes the box and the list has the focus, on the entry found; F3 goes on from there.
        QTest::keyClick(Control<QLineEdit>(main->findBox(), "txtFind"), Qt::Key_Escape);
        QVERIFY(!main->findBox()->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(main));
        QCOMPARE(QApplication::focusWidget(), EntryList(main));
        QTest::keyClick(main, Qt::Key_F3);
        QCOMPARE(selectedUsername(), QString::fromUtf8("Müller"));
        QTest::keyClick(main, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(selectedUsername(), QString::fromUtf8("MÜller-admin"));

        // Finding changed nothing: every row is there, and a save writes what it would have written.
        QCOMPARE(EntryList(main)->count(), 4000);
        QCOMPARE(folder->onDisk(), before);
        QVERIFY(TheRun().session().save().saved());
        QCOMPARE(folder->onDisk(), before);
    }

    void findsInTheOrderShownAfterASort() {
        main->sortByColumn(1); // by username; the first click turns the list to descending
        QCOMPARE(EntryList(main)->sortOrder(), int(EntryStore::Descending)); // zed ... MÜller-admin, Müller, anna
        QCOMPARE(find(QString::fromUtf8("müller")), QString::fromUtf8("MÜller-admin"));
        QCOMPARE(find(QString::fromUtf8("müller"), 1, false), QString("anna")); // round the top
        QCOMPARE(find(QString::fromUtf8("müller"), 1, false), QString::fromUtf8("Müller"));
        main->sortByColumn(1); // ascending
        EntryList(main)->clearSelection();
        // user399 and user3990 to user3998: the first shown is the shortest.
        QCOMPARE(find("USER399"), QString("user399"));
        QCOMPARE(StatusText(main), QString("Found 1 of 10"));
    }

    void nothingFoundSaysSoAndSelectsNothing() {
        EntryList(main)->selectOnly(5);
        QCOMPARE(find("no such entry"), QString("user4"));
        QCOMPARE(StatusText(main), QString("No entry matches \"no such entry\""));
        // A screen reader reading the box hears the result with it.
        QCOMPARE(Control<QLineEdit>(main->findBox(), "txtFind")->accessibleDescription(),
                 QString("No entry matches \"no such entry\""));
        QAccessibleInterface* box =
            QAccessible::queryAccessibleInterface(Control<QLineEdit>(main->findBox(), "txtFind"));
        QCOMPARE(box->text(QAccessible::Name), QString("Find:"));
        QCOMPARE(QAccessible::queryAccessibleInterface(main->findBox())->text(QAccessible::Name), QString("Find"));
        // An empty text opens the box again rather than finding everything.
        Control<QLineEdit>(main->findBox(), "txtFind")->clear();
        QTest::keyClick(main->findBox(), Qt::Key_F3);
        QCOMPARE(selectedUsername(), QString("user4"));
    }

    // The editor's password box: Ctrl+G and the context menu's command fill it; Save stores it exactly.
    void generatedPasswordIsShownAndStoredOnSave() {
        EntryList(main)->selectOnly(1);
        main->editEntry();
        EntryEditor* editor = TheRun().editor();
        QVERIFY(editor != nullptr);
        const QByteArray before = folder->onDisk();
        QVERIFY(QTest::qWaitForWindowActive(editor));
        Control<QLineEdit>(editor, "txtPassword")->setFocus();
        QTest::keyClick(Control<QLineEdit>(editor, "txtPassword"), Qt::Key_G, Qt::ControlModifier);
        const QString generated = Control<QLineEdit>(editor, "txtPassword")->text();
        QCOMPARE(generated.size(), 20);
        QCOMPARE(folder->onDisk(), before); // nothing is stored until Save
        QTest::keyClick(Control<QLineEdit>(editor, "txtPassword"), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Control<QLineEdit>(editor, "txtPassword")->text(), QString("pw0")); // undone
        std::unique_ptr<QMenu> menu(editor->passwordMenu());
        QAction* generate = menu->findChild<QAction*>("generatePassword");
        QVERIFY(generate != nullptr);
        QCOMPARE(generate->text(), QString("Generate Password"));
        generate->trigger();
        const QString fromMenu = Control<QLineEdit>(editor, "txtPassword")->text();
        QVERIFY(fromMenu.size() == 20 && fromMenu != generated);

        editor->save();
        QVERIFY(TheRun().editor() == nullptr);
        const auto stored = vault::ReadEntries(folder->vaultPath().toStdString());
        QVERIFY(stored.ok());
        QCOMPARE(QString::fromStdString((*stored)[0].password), fromMenu);
    }

    // The remembered options, as Keyshelf.ini holds them: a value that is not one the generator takes is
    // its default, and no kind at all is every kind.
    void passwordOptionsAreReadBackOrFallBackToTheDefaults() {
        using Options = vault::PasswordOptions;
        const QList<std::pair<QStringList, Options>> cases = {
            {{}, Options{}},
            {{"8", "1", "0", "1", "0"}, Options{8, true, false, true, false}},
            {{" 1024 ", "0", "0", "0", "1"}, Options{1024, false, false, false, true}},
            {{"0", "0", "0", "0", "0"}, Options{}},
            {{"1025", "yes", "", "2", "-1"}, Options{}},
            {{"99999999999999999999", "1", "1", "1", "1"}, Options{}},
            {{"12abc", "\n1", "1\n", "1", "1"}, Options{}},
        };
        const QStringList keys = {"generateLength", "generateLower", "generateUpper", "generateDigits",
                                  "generatePunctuation"};
        for (const auto& [values, expected] : cases) {
            auto settings = seams::OpenSettings();
            settings->remove("Settings");
            for (qsizetype i = 0; i < values.size(); ++i) {
                settings->setValue("Settings/" + keys[i], values[i]);
            }
            settings->sync();
            QVERIFY2(generatorSettings::Load() == expected, qPrintable(values.join(',')));
        }
    }

    // "Generate Password..." opens the options; Generate fills the box with them and remembers them for Ctrl+G.
    void generateOptionsFillTheBoxAndAreRemembered() {
        EntryList(main)->selectOnly(1);
        main->editEntry();
        EntryEditor* editor = TheRun().editor();
        QLineEdit* box = Control<QLineEdit>(editor, "txtPassword");
        std::unique_ptr<QMenu> menu(editor->passwordMenu());
        QAction* options = menu->findChild<QAction*>("generatePasswordOptions");
        QVERIFY(options != nullptr);
        QCOMPARE(options->text(), QString("Generate Password\u2026"));
        bool offeredWithNone = true;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<PasswordOptionsDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            for (const char* kind : {"lower", "upper", "digits", "punctuation"}) {
                Control<QCheckBox>(dialog, kind)->setChecked(false);
            }
            offeredWithNone = Control<QPushButton>(dialog, "generate")->isEnabled() ||
                              !Control<QLabel>(dialog, "note")->isVisibleTo(dialog);
            Control<QCheckBox>(dialog, "digits")->setChecked(true);
            Control<QSpinBox>(dialog, "length")->setValue(6);
            QTest::mouseClick(Control<QPushButton>(dialog, "generate"), Qt::LeftButton);
        });
        options->trigger();
        QVERIFY(!offeredWithNone);
        QCOMPARE(box->text().size(), 6);
        QVERIFY2(box->text().toStdString().find_first_not_of("0123456789") == std::string::npos,
                 qPrintable(box->text()));
        QVERIFY(generatorSettings::Load() == (vault::PasswordOptions{6, false, false, true, false}));
        box->clear();
        editor->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(editor));
        box->setFocus();
        QTest::keyClick(box, Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(box->text().size(), 6);
        QVERIFY(box->text().toStdString().find_first_not_of("0123456789") == std::string::npos);

        // Cancel changes nothing.
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<PasswordOptionsDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            Control<QSpinBox>(dialog, "length")->setValue(30);
            dialog->reject();
        });
        const QString before = box->text();
        options->trigger();
        QCOMPARE(box->text(), before);
        QCOMPARE(generatorSettings::Load().length, std::size_t(6));
    }
};

KEYSHELF_TEST_MAIN(FindAndGenerateTest)
#include "FindAndGenerateTest.moc"
