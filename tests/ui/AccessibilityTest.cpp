// What a screen reader reads in every window, in every state a person can bring it to: each control by
// what it shows at the time (a text box by the label beside it), and each window by its title, as a
// dialog or, for the main window, a frame. The walk goes through Qt's accessibility tree, as the
// desktop's accessibility bus does.
#include "AboutWindow.h"
#include "BuildConfiguration.h"
#include "Controls.h"
#include "DesignCheck.h"
#include "EntryEditor.h"
#include "HelpWindow.h"
#include "ImportDialog.h"
#include "MainWindow.h"
#include "PasswordDialog.h"
#include "Program.h"
#include "Seams.h"
#include "SplashWindow.h"
#include "Startup.h"
#include "TestMain.h"
#include "VaultFormat.h"
#include "WebsiteLauncher.h"
#include "WindowTestRun.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaEnum>
#include <QSet>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <memory>
#include <optional>

namespace {

QString Quoted(const QString& text) {
    return '"' + text + '"';
}

QString RoleName(QAccessible::Role role) {
    return QString::fromLatin1(QMetaEnum::fromType<QAccessible::Role>().valueToKey(role));
}

// The label a person reads a text box by: the nearest label shown on the box's row that begins left of it
// (its widget may reach under the box, its text does not).
const QLabel* LabelBeside(const QLineEdit* box) {
    const QLabel* nearest = nullptr;
    for (const QLabel* label : box->parentWidget()->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        const int middle = label->geometry().center().y();
        if (label->isHidden() || label->text().isEmpty() || label->x() >= box->x() || middle < box->geometry().top() ||
            middle > box->geometry().bottom()) {
            continue;
        }
        if (nearest == nullptr || label->x() > nearest->x()) {
            nearest = label;
        }
    }
    return nearest;
}

// What a control shows, as a screen reader should read it, and where that text is seen.
struct Shown {
    QString text;
    QString whence;
};

// nullopt for a control that shows no text (a picture, the list, a plain area).
std::optional<Shown> ShownText(QObject* object) {
    if (auto* action = qobject_cast<QAction*>(object)) {
        return Shown{action->text().remove('&'), "it shows"};
    }
    if (auto* button = qobject_cast<QAbstractButton*>(object)) {
        return Shown{button->text().remove('&'), "it shows"};
    }
    if (auto* label = qobject_cast<QLabel*>(object); label != nullptr && !label->text().isEmpty()) {
        return Shown{label->text(), "it shows"};
    }
    if (auto* box = qobject_cast<QLineEdit*>(object)) {
        const QLabel* label = LabelBeside(box);
        return label != nullptr ? Shown{label->text(), "its label " + label->objectName() + " shows"}
                                : Shown{QString(), "no label lies beside it:"};
    }
    if (auto* bar = qobject_cast<QStatusBar*>(object)) {
        QStringList lines;
        for (const QLabel* panel : bar->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (!panel->isHidden()) {
                lines << panel->text();
            }
        }
        return Shown{lines.join(' '), "its status line shows"};
    }
    return std::nullopt;
}

class Reader {
public:
    // Every difference between what `window` shows and what a screen reader reads in it, one line each,
    // naming the window, the control and both texts.
    static QStringList Misread(QWidget* window, QAccessible::Role role) {
        Reader reader(window);
        QAccessibleInterface* root = QAccessible::queryAccessibleInterface(window);
        if (root == nullptr) {
            return {reader.where_ + ": no accessible interface"};
        }
        if (!window->isVisible()) {
            reader.problems_ << reader.where_ + ": the window is not shown";
        }
        // A window is read by its title, or by the name given to one whose title nobody sees.
        const QString title = window->accessibleName().isEmpty() ? window->windowTitle() : window->accessibleName();
        if (root->text(QAccessible::Name) != title) {
            reader.problems_ << reader.where_ + ": the window is read as " + Quoted(root->text(QAccessible::Name)) +
                                    " but its title is " + Quoted(title);
        }
        if (root->role() != role) {
            reader.problems_ << reader.where_ + ": the window's role is " + RoleName(root->role()) + ", not " +
                                    RoleName(role);
        }
        reader.walk(root);
        reader.checkEveryControlReached(window);
        return reader.problems_;
    }

private:
    explicit Reader(QWidget* window) : where_(window->objectName()) {}

    void walk(QAccessibleInterface* node) {
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* child = node->child(i);
            if (child == nullptr || child->state().invisible) {
                continue;
            }
            check(child);
            // A list's cells and a text view's scroll bars are the view's own business.
            if (qobject_cast<QAbstractScrollArea*>(child->object()) == nullptr) {
                walk(child);
            }
        }
    }

    void check(QAccessibleInterface* node) {
        QObject* object = node->object();
        reached_.insert(object);
        const QString name = node->text(QAccessible::Name);
        const QString control = where_ + ": " + (object != nullptr ? object->objectName() : QStringLiteral("?"));
        if (const std::optional<Shown> shown = ShownText(object)) {
            if (name != shown->text) {
                problems_ << control + " is read as " + Quoted(name) + " but " + shown->whence + " " +
                                 Quoted(shown->text);
            }
        } else if (auto* widget = qobject_cast<QWidget*>(object);
                   widget != nullptr && (widget->focusPolicy() & Qt::TabFocus) != 0 && name.isEmpty()) {
            problems_ << control + " is reached by Tab but read without a name";
        }
        const QString description = node->text(QAccessible::Description);
        auto* widget = qobject_cast<QWidget*>(object);
        if (!description.isEmpty() && (widget == nullptr || description != widget->toolTip())) {
            problems_ << control + " is described as " + Quoted(description) + ", which it does not show";
        }
    }

    // A control missing from the tree is never read at all.
    void checkEveryControlReached(QWidget* window) {
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (!w->isVisible() || w->objectName().isEmpty() || w->objectName().startsWith("qt_") ||
                reached_.contains(w)) {
                continue;
            }
            bool insideView = false;
            for (QWidget* p = w->parentWidget(); p != window && p != nullptr; p = p->parentWidget()) {
                insideView = insideView || qobject_cast<QAbstractScrollArea*>(p) != nullptr;
            }
            if (!insideView) {
                problems_ << where_ + ": " + w->objectName() + " is not in the accessibility tree";
            }
        }
    }

    QString where_;
    QStringList problems_;
    QSet<QObject*> reached_;
};

QString NameOf(QObject* object) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface != nullptr ? iface->text(QAccessible::Name) : QStringLiteral("<no interface>");
}

// Fails the test with every misreading in `window`, each on a line of its own.
#define READ_AS_SHOWN(window, role)                                                                                    \
    do {                                                                                                               \
        const QStringList misread = Reader::Misread(window, role);                                                     \
        QVERIFY2(misread.isEmpty(), qPrintable("\n" + misread.join('\n')));                                            \
    } while (false)

const std::vector<vault::Entry> kEntries = {
    {"carol", "c-pw", "www.carol.example"},
    {"alice", "a-pw", "https://mail.example.com"},
    {"bob", "b-pw", "Office PC"},
};

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowTestRun> folder;
    MainWindow* main = nullptr;

    // The main window loads and opens the vault, which opens the password dialog.
    PasswordDialog* start() {
        main = TheProgram().LoadMainWindow();
        TheProgram().OpenVault();
        TheBuild().bannered = false; // the band is read by its own name, "Banner"
        return TheRun().passwordDialog();
    }

    void logIn() {
        QVERIFY(folder->writeVault(kEntries));
        PasswordDialog* dialog = start();
        QVERIFY(dialog != nullptr);
        Control<QLineEdit>(dialog, "txtPass")->setText("Secret1");
        dialog->confirmPassword();
        QCOMPARE(EntryList(main)->count(), 3);
        QVERIFY(main->isVisible());
    }

private slots:
    void initTestCase() { WindowTestRun::PrepareApplication(); }

    void init() {
        folder = std::make_unique<WindowTestRun>(WindowTestRun::Options{.helpDocument = true, .showHelp = "0"});
    }

    void cleanup() {
        folder.reset();
        main = nullptr;
    }

    void passwordDialogCreatingThePassword() {
        PasswordDialog* dialog = start(); // no vault yet
        QVERIFY(dialog != nullptr && dialog->isVisible());
        READ_AS_SHOWN(dialog, QAccessible::Dialog);
        QVERIFY(NameOf(Control<QLabel>(dialog, "SkinLabel1"))
                    .startsWith("Because this is the first time you have used Keyshelf"));
        QCOMPARE(NameOf(Control<QLineEdit>(dialog, "txtPass")), QString("Password:"));
        QCOMPARE(NameOf(Control<QLineEdit>(dialog, "txtPass2")), QString("Retype Password:"));
        QCOMPARE(NameOf(dialog), QString("Password Required"));
    }

    void passwordDialogAskingForIt() {
        QVERIFY(folder->writeVault(kEntries));
        PasswordDialog* dialog = start();
        QVERIFY(dialog != nullptr && dialog->isVisible());
        READ_AS_SHOWN(dialog, QAccessible::Dialog);
        QCOMPARE(NameOf(Control<QLabel>(dialog, "SkinLabel1")), QString("Please enter your password"));
        QCOMPARE(NameOf(Control<QLineEdit>(dialog, "txtPass")), QString("Password:"));
        // A wrong password and Retry: the dialog stays as it was, read as it was.
        TheDesktop().setNextAnswer(seams::Answer::Retry);
        Control<QLineEdit>(dialog, "txtPass")->setText("wrong");
        dialog->confirmPassword();
        READ_AS_SHOWN(dialog, QAccessible::Dialog);
    }

    void mainWindowFollowsItsStatusLine() {
        logIn();
        READ_AS_SHOWN(main, QAccessible::Window);
        QCOMPARE(NameOf(main), QString("Keyshelf by Keyshelf Software"));
        QCOMPARE(NameOf(Control<QToolButton>(main, "cmdWebsite(0)")), QString("Visit www.keyshelf.example"));
        QCOMPARE(NameOf(Control<QStatusBar>(main, "StatusBar1")), QString("Loaded 3 entries"));
        QVERIFY(!NameOf(EntryList(main)).isEmpty());

        main->editEntry(); // nothing selected: the status line says so
        QCOMPARE(NameOf(Control<QStatusBar>(main, "StatusBar1")), QString("You must first select an entry to edit."));
        READ_AS_SHOWN(main, QAccessible::Window);
        EntryList(main)->setSelected(2, true);
        main->copyField(MainWindow::Field::Username);
        QCOMPARE(NameOf(Control<QStatusBar>(main, "StatusBar1")), StatusText(main));
        READ_AS_SHOWN(main, QAccessible::Window);
    }

    void editorAddingAndEditing() {
        logIn();
        main->addEntry();
        EntryEditor* editor = TheRun().editor();
        QVERIFY(editor != nullptr && editor->isVisible());
        READ_AS_SHOWN(editor, QAccessible::Dialog);
        QCOMPARE(NameOf(editor), QString("Add an entry"));
        QCOMPARE(NameOf(Control<QLineEdit>(editor, "txtUsername")), QString("Username:"));
        QCOMPARE(NameOf(Control<QLineEdit>(editor, "txtWebsite")), QString("Website:"));
        editor->close();

        EntryList(main)->setSelected(1, true);
        main->editEntry();
        editor = TheRun().editor();
        QVERIFY(editor != nullptr && editor->isVisible());
        QCOMPARE(Control<QLineEdit>(editor, "txtUsername")->text(), EntryList(main)->text(1));
        READ_AS_SHOWN(editor, QAccessible::Dialog);
        QCOMPARE(NameOf(editor), QString("Edit an entry"));
        QCOMPARE(NameOf(Control<QLineEdit>(editor, "txtPassword")), QString("Password:"));
    }

    void aboutHelpAndWebsiteWindows() {
        logIn();
        Control<QAction>(main, "mnuAboutItem(0)")->trigger();
        AboutWindow* about = TheRun().aboutWindow();
        QVERIFY(about != nullptr && about->isVisible());
        READ_AS_SHOWN(about, QAccessible::Dialog);
        QCOMPARE(NameOf(about), QString("About Keyshelf"));
        QCOMPARE(NameOf(Control<QLabel>(about, "Label1")), QString("Keyshelf"));
        QCOMPARE(NameOf(Control<QLabel>(about, "lblVersion")), QString("1.0"));
        QCOMPARE(NameOf(Control<QLabel>(about, "lblCompany")), QString("Keyshelf Software"));
        QCOMPARE(NameOf(Control<QLabel>(about, "lblWebsite")), QString("www.keyshelf.example"));

        QTest::mouseClick(Control<QLabel>(about, "lblWebsite"),
                          Qt::LeftButton); // the launcher, shown for the moment it lives
        WebsiteLauncher* launcher = TheRun().websiteLauncher();
        QVERIFY(launcher != nullptr);
        Control<QTimer>(launcher, "Timer1")->stop();
        READ_AS_SHOWN(launcher, QAccessible::Dialog);

        Control<QAction>(main, "mnuHelpItem(0)")->trigger();
        HelpWindow* help = TheRun().helpWindow();
        QVERIFY(help != nullptr && help->isVisible());
        READ_AS_SHOWN(help, QAccessible::Dialog);
        QCOMPARE(NameOf(Control<QCheckBox>(help, "Check1")), QString("Show at Startup"));
    }

    // The import dialog: its title, the report it shows and the choice, as shown.
    void importDialog() {
        logIn();
        const auto file = vault::ReadImport("url,username,password\nshop.example,ann,pw\nx,y|||z,p\n", "in.csv");
        QVERIFY(file);
        ImportDialog dialog(QStringLiteral("/tmp/in.csv"), *file,
                            [&file](bool) { return vault::PlanImport(*file, vault::EntryTable{}, false); });
        dialog.show();
        READ_AS_SHOWN(&dialog, QAccessible::Dialog);
        QCOMPARE(NameOf(&dialog), QString("Import Passwords"));
        QVERIFY(NameOf(Control<QLabel>(&dialog, "importReport")).contains("To add: 1 entry"));
    }

    void splashWindow() {
        SplashWindow* splash = TheProgram().OpenSplash();
        Control<QTimer>(splash, "Timer2")->stop(); // the main window would follow
        splash->show();
        READ_AS_SHOWN(splash, QAccessible::Dialog);
        QCOMPARE(NameOf(splash), QString("Keyshelf")); // its frameless window's title is never seen
    }
};

KEYSHELF_TEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"
