// The Vault menu: sealing, unsealing and a new master password from the window, each asked first, told
// afterwards, and done only over the file the run last read. Seals here cost the least the sealed form
// allows, so that each takes milliseconds.
#include "Controls.h"
#include "FakeDesktop.h"
#include "MainWindow.h"
#include "MasterPasswordDialog.h"
#include "PasswordDialog.h"
#include "Program.h"
#include "TestMain.h"
#include "VaultCommands.h"
#include "VaultFile.h"
#include "VaultFormat.h"
#include "WindowTestRun.h"

#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>
#include <filesystem>
#include <memory>

class VaultMenuTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowTestRun> run;
    std::unique_ptr<QMainWindow> window;
    VaultCommands* commands = nullptr;
    const std::vector<vault::Entry> two{{"carol", "pc", "c.example"}, {"alice", "pa", ""}};

    // How many entries the file holds sealed under `master`; -1 when it does not open so.
    int sealedEntries(const std::string& master) const {
        std::optional<vault::SealKey> key;
        auto loaded =
            vault::LoadVault(run->vaultPath().toStdString(), vault::kMaxEntries, vault::SystemFileOps(), master, key);
        return loaded && loaded->sealed ? static_cast<int>(loaded->entries.size()) : -1;
    }
    // The run's vault written (sealed when asked) and opened with its master password.
    void open(bool sealed) {
        std::optional<vault::SealKey> key;
        if (sealed) {
            key.emplace(
                std::move(*vault::SealKey::Fresh("Secret1", vault::kLeastSealCost, run->vaultPath().toStdString())));
        }
        QVERIFY(!vault::SaveVault(run->vaultPath().toStdString(), vault::Secret("Secret1"), two, vault::SystemFileOps(),
                                  key ? &*key : nullptr));
        TheProgram().LoadMainWindow();
        TheProgram().OpenVault();
        Control<QLineEdit>(TheRun().passwordDialog(), "txtPass")->setText("Secret1");
        TheRun().passwordDialog()->confirmPassword();
        QCOMPARE(TheRun().session().sealed(), sealed);
        window = std::make_unique<QMainWindow>();
        commands = new VaultCommands(TheRun().session(), window->menuBar(), window.get(), vault::kLeastSealCost);
    }
    QString lastBox() const {
        return TheDesktop().shownBoxes().isEmpty() ? QString() : TheDesktop().shownBoxes().last().text;
    }

private slots:
    void initTestCase() { WindowTestRun::PrepareApplication(); }
    void init() { run = std::make_unique<WindowTestRun>(WindowTestRun::Options{.showHelp = "0"}); }
    void cleanup() {
        window.reset();
        run.reset();
    }

    // After the window's own menus; only the command for the file's form is offered.
    void theMenuComesLastAndOffersWhatTheFormAllows() {
        open(false);
        const QList<QAction*> menus = TheRun().mainWindow()->menuBar()->actions();
        QCOMPARE(menus.last()->text(), QString("&Vault"));
        QMenu* menu = Control<QMenu>(TheRun().mainWindow(), "mnuVault");
        QStringList items;
        for (QAction* a : menu->actions()) {
            items << a->text();
        }
        QCOMPARE(items, QStringList({"&Seal Vault\u2026", "&Unseal Vault\u2026", "", "&Change Master Password\u2026"}));
        QVERIFY(Control<QAction>(TheRun().mainWindow(), "mnuVaultSeal")->isEnabled());
        QVERIFY(!Control<QAction>(TheRun().mainWindow(), "mnuVaultUnseal")->isEnabled());
    }

    void sealsAndUnsealsTheFileItselfAfterAsking() {
        open(false);
        const QByteArray plain = run->onDisk();
        TheDesktop().setNextAnswer(seams::Answer::No);
        commands->seal();
        QCOMPARE(run->onDisk(), plain);
        QVERIFY(lastBox().contains("forgotten is lost"));

        commands->seal(); // Enter answers Yes
        QCOMPARE(sealedEntries("Secret1"), 2);
        QVERIFY(!run->onDisk().contains("carol"));
        QVERIFY(lastBox().contains("is sealed: it opens only with its master password"));
        emit commands->menu()->aboutToShow();
        QVERIFY(Control<QAction>(window.get(), "mnuVaultUnseal")->isEnabled());
        QVERIFY(!Control<QAction>(window.get(), "mnuVaultSeal")->isEnabled());
        // Later saves keep the seal.
        QVERIFY(TheRun().session().add({"dan", "pd", ""}).saved());
        QCOMPARE(sealedEntries("Secret1"), 3);

        const QByteArray sealed = run->onDisk();
        commands->unseal(); // Enter keeps the seal
        QCOMPARE(run->onDisk(), sealed);
        QVERIFY(lastBox().contains("not encrypted"));
        TheDesktop().setNextAnswer(seams::Answer::Yes);
        commands->unseal();
        QCOMPARE(run->onDisk(),
                 QByteArray::fromStdString(vault::VaultBytes("Secret1", {two[0], two[1], {"dan", "pd", ""}})));
        QVERIFY(lastBox().contains("is unsealed"));
    }

    // Another program wrote the file after Keyshelf read it: nothing is written, and the person is told.
    void nothingIsWrittenOverAChangeMadeElsewhere() {
        open(false);
        const std::string other = run->filePath("other").toStdString();
        QVERIFY(!vault::SaveVault(other, vault::Secret("Secret1"), {{"them", "pt", ""}}));
        std::filesystem::rename(other, run->vaultPath().toStdString());
        const QByteArray theirs = run->onDisk();
        commands->seal();
        QCOMPARE(run->onDisk(), theirs);
        QVERIFY2(lastBox().contains("another program changed it"), qPrintable(lastBox()));
        QVERIFY(!TheRun().session().sealed());
    }

    // The current password first, then the new one twice by the first start's rules; a sealed vault is
    // sealed again under the new one.
    void changesTheMasterPasswordOnceWhatWasTypedHolds() {
        open(true);
        QStringList refusals;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<MasterPasswordDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            const auto attempt = [&](const char* current, const char* typed, const char* again) {
                Control<QLineEdit>(dialog, "current")->setText(current);
                Control<QLineEdit>(dialog, "typed")->setText(typed);
                Control<QLineEdit>(dialog, "again")->setText(again);
                dialog->accept();
                refusals << (dialog->isVisible() ? lastBox() : QString("accepted"));
            };
            attempt("Secret2", "n3w-pass", "n3w-pass");
            attempt("Secret1", "abc", "abc");
            attempt("Secret1", "n3w-pass", "n3w-pazz");
            attempt("Secret1", "n3w-pass", "n3w-pass");
        });
        commands->changeMasterPassword();
        QCOMPARE(refusals, QStringList({"The current master password is not correct.  Please try again.",
                                        "You must enter a password that is at least 4 characters long",
                                        "Your passwords did not match.  Please try again.", "accepted"}));
        QCOMPARE(sealedEntries("n3w-pass"), 2);
        QCOMPARE(sealedEntries("Secret1"), -1);
        QCOMPARE(TheRun().session().masterPassword(), QString("n3w-pass"));
        QVERIFY(lastBox().contains("sealed again"));
        QVERIFY(TheRun().session().isMasterPassword("n3w-pass"));
    }
};

KEYSHELF_TEST_MAIN(VaultMenuTest)
#include "VaultMenuTest.moc"
