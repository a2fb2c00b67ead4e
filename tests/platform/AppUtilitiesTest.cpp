// The window utilities and the seams every window goes through.
#include "FakeDesktop.h"
#include "ProgramIcon.h"
#include "ScreenLockWatch.h"
#include "Seams.h"
#include "TopMost.h"
#include "UserSettings.h"

#include <QAbstractButton>
#include <QDialog>
#include <QMessageBox>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <optional>
#include <sys/stat.h>

class AppUtilitiesTest : public QObject {
    Q_OBJECT
    QTemporaryDir folder;
    std::optional<FakeDesktop> desktop; // none: the system's desktop

private slots:
    void init() { desktop.emplace(folder.path(), QDateTime(QDate(2026, 12, 6), QTime(8, 27, 30))); }
    void cleanup() { desktop.reset(); }

    // The real box as the user sees it: its title (the product's name when none is given), its text, its
    // icon and its buttons. Escape gives Cancel where there is one, and No on a box of Yes and No.
    void messageBoxesShowTheirTitleIconAndButtons() {
        desktop.reset();
        struct Seen {
            QString title, text;
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            QStringList buttons;
            Qt::TextFormat format = Qt::AutoText;
        } seen;
        const auto look = [&seen] {
            QTimer::singleShot(50, [&seen] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (box == nullptr) {
                    return;
                }
                seen = {box->windowTitle(), box->text(), box->icon(), {}, box->textFormat()};
                for (QAbstractButton* button : box->buttons()) {
                    seen.buttons << button->text().remove('&');
                }
                seen.buttons.sort();
                QTest::keyClick(box, Qt::Key_Escape);
            });
        };
        look();
        QCOMPARE(seams::messageBox(
                     "Wrong password",
                     seams::BoxStyle{.buttons = seams::Buttons::RetryCancel, .icon = seams::Icon::Critical}, "Error"),
                 seams::Answer::Cancel);
        QCOMPARE(seen.title, QString("Error"));
        QCOMPARE(seen.text, QString("Wrong password"));
        QCOMPARE(seen.icon, QMessageBox::Critical);
        QCOMPARE(seen.buttons, QStringList({"Cancel", "Retry"}));
        look();
        QCOMPARE(seams::messageBox("Replace?",
                                   seams::BoxStyle{.buttons = seams::Buttons::YesNo, .icon = seams::Icon::Exclamation}),
                 seams::Answer::No);
        QCOMPARE(seen.title, QString("Keyshelf"));
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QCOMPARE(seen.buttons, QStringList({"No", "Yes"}));
        // A file's name that reads as markup is shown as it is.
        look();
        seams::messageBox("<h1>owned</h1>/tmp/data.enc could not be read");
        QCOMPARE(seen.text, QString("<h1>owned</h1>/tmp/data.enc could not be read"));
        QCOMPARE(seen.format, Qt::PlainText);
    }

    // The real box: Enter presses the button the style names as the default.
    void enterPressesTheDefaultButtonOfARealBox() {
        desktop.reset();
        const auto pressEnter = [] {
            QTimer::singleShot(50, [] {
                if (QWidget* box = QApplication::activeModalWidget()) {
                    QTest::keyClick(box, Qt::Key_Return);
                }
            });
        };
        pressEnter();
        QCOMPARE(seams::messageBox("Replace?", seams::BoxStyle{.buttons = seams::Buttons::YesNo, .defaultButton = 1}),
                 seams::Answer::No);
        pressEnter();
        QCOMPARE(seams::messageBox("Delete it?", seams::BoxStyle{.buttons = seams::Buttons::OkCancel}),
                 seams::Answer::Ok);
    }

    // Outside of recording: ShellOpen hands the address to the xdg-open first on the PATH as its one
    // argument, and a start that fails says why.
    void realLaunchesReachTheOpenerOrSayWhyNot() {
        desktop.reset();
        const QByteArray oldPath = qgetenv("PATH");
        const auto restorePath = qScopeGuard([&] { qputenv("PATH", oldPath); });
        qputenv("PATH", QFile::encodeName(folder.path()) + ':' + oldPath);
        const QString opened = folder.filePath("opened");
        {
            QFile opener(folder.filePath("xdg-open"));
            QVERIFY(opener.open(QIODevice::WriteOnly));
            opener.write("#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" >\"$0.tmp\"\nmv \"$0.tmp\" \"" +
                         QFile::encodeName(opened) + "\"\n");
            opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        const QString address = "http://www.keyshelf.example/a b?q='1'&r=\"2\";$(id)";
        QVERIFY(seams::ShellOpen(address));
        QTRY_VERIFY(QFile::exists(opened));
        QFile result(opened);
        QVERIFY(result.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(result.readAll()), "1\n" + address + "\n");

        QVERIFY(seams::StartDetached("xdg-open", {QString(200 * 1024, 'a')}).tooLong());
        QVERIFY(seams::StartDetached("keyshelf-no-such-program", {}).notFound());
        // xdg-open takes any argument that begins with a dash for an option, short or long, a lone "-" too.
        for (const char* option : {"--manual", "-v", "-"}) {
            QVERIFY2(seams::ShellOpen(option).error == EINVAL, option);
        }
    }

    void clockFolderAndSettingsPointIntoTheTest() {
        QCOMPARE(seams::Now(), QDateTime(QDate(2026, 12, 6), QTime(8, 27, 30)));
        QCOMPARE(seams::ExecutableDir(), folder.path());
        {
            auto settings = seams::OpenSettings();
            settings->setValue("Settings/showHelp", "0");
        }
        QVERIFY(QFile::exists(folder.filePath("Keyshelf.ini")));
        QCOMPARE(seams::OpenSettings()->value("Settings/showHelp").toString(), QString("0"));
        desktop.reset();
        QVERIFY(seams::ExecutableDir() != folder.path());
    }

    // Keyshelf.ini is read only as a regular file of at most 64 KiB; anything else there keeps the defaults,
    // is not waited for (a FIFO), and is left as it was by a write.
    void oddSettingsFilesAreNeitherReadNorReplaced_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("read");
        QTest::newRow("64 KiB file") << "largest"
                                     << "0";
        QTest::newRow("one byte more") << "oversized"
                                       << "<default>";
        QTest::newRow("FIFO") << "fifo"
                              << "<default>";
    }
    void oddSettingsFilesAreNeitherReadNorReplaced() {
        QFETCH(QString, kind);
        QFETCH(QString, read);
        const QString path = folder.filePath("Keyshelf.ini");
        QFile::remove(path);
        if (kind == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else {
            QByteArray text = "[Settings]\nshowHelp=0\n";
            text += ';' + QByteArray(64 * 1024 - text.size() - 2 + (kind == "oversized" ? 1 : 0), 'x') + '\n';
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(text), text.size());
        }
        const QFileInfo before(path);
        QCOMPARE(seams::OpenSettings()->value("Settings/showHelp", "<default>").toString(), read);
        if (read != "<default>") {
            return; // Keyshelf's own file, written as usual elsewhere
        }
        {
            auto settings = seams::OpenSettings();
            settings->setValue("Settings/showHelp", "1");
            settings->sync();
        }
        const QFileInfo after(path);
        QCOMPARE(after.size(), before.size());
        QCOMPARE(after.isFile(), before.isFile());
        QCOMPARE(after.lastModified(), before.lastModified());
        QCOMPARE(QDir(folder.path()).entryList({"Keyshelf.ini*"}, QDir::AllEntries | QDir::System),
                 QStringList({"Keyshelf.ini"})); // no lock file, no temporary file beside it
        QFile::remove(path);
    }

    // Every key of the settings table, as a hand-edited Keyshelf.ini may hold it: its own values read back,
    // anything else is its default, and what is written reads back the same.
    void eachSettingReadsItsValuesAndFallsBackToItsDefault() {
        using userSettings::Reading;
        for (const userSettings::Setting& setting : userSettings::kAll) {
            const QString key = QStringLiteral("Settings/") + setting.key;
            const auto read = [&](const QString& text) {
                seams::OpenSettings()->setValue(key, text);
                return userSettings::value(setting);
            };
            seams::OpenSettings()->remove(key);
            QCOMPARE(userSettings::value(setting), setting.fallback);
            const bool number = setting.reading == Reading::Number;
            const int other = setting.fallback == setting.least ? setting.most : setting.least;
            QCOMPARE(read(QString::number(other)), other);
            QCOMPARE(read(" " + QString::number(other) + " "), number ? other : 1);
            for (const QString& hostile :
                 {QString("yes"), QString(""), QString::number(setting.most + 1), QString::number(setting.least - 1),
                  QString("99999999999999999999"), QString("1x")}) {
                QVERIFY2(read(hostile) == (number ? setting.fallback : 1), setting.key);
            }
            QVERIFY(userSettings::store({{setting, other}}));
            QCOMPARE(seams::OpenSettings()->value(key).toString(), QString::number(other));
        }
    }

    void topMostGoesOnAndOffKeepingThePlace() {
        QDialog dialog;
        dialog.setGeometry(100, 120, 300, 200);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        topMost::SetTopMost(&dialog, true);
        QVERIFY(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.geometry(), QRect(100, 120, 300, 200));
        topMost::SetTopMost(&dialog, false);
        QVERIFY(!dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.geometry().size(), QSize(300, 200));
        // Off on a window that is not topmost leaves it as it is.
        topMost::SetTopMost(&dialog, false);
        QVERIFY(dialog.isVisible());
    }

    void windowIconOnTheWindowAndItsOutermostOwner() {
        const QIcon icon = programIcon::LoadIcon("AAA");
        QCOMPARE(icon.availableSizes().size(), 5);
        QVERIFY(icon.availableSizes().contains(QSize(128, 128)));
        QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
        QVERIFY(programIcon::LoadIcon("NOPE").isNull());

        QWidget owner;
        QDialog middle(&owner);
        QDialog child(&middle);
        programIcon::SetWindowIcon(&child, "AAA", false);
        QVERIFY(!child.windowIcon().isNull());
        QVERIFY(owner.windowIcon().cacheKey() != child.windowIcon().cacheKey());
        programIcon::SetWindowIcon(&child, "AAA", true);
        QCOMPARE(owner.windowIcon().availableSizes().size(), 5);

        // A window without an owner is its own outermost owner.
        QWidget alone;
        programIcon::SetWindowIcon(&alone, "AAA", true);
        QCOMPARE(alone.windowIcon().availableSizes().size(), 5);
    }

    // logind's Lock is heard only on the session's own object path, named as systemd escapes the id.
    void theScreenLockIsHeardOnTheSessionsPath_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("path");
        QTest::newRow("a number") << "2"
                                  << "/org/freedesktop/login1/session/_32";
        QTest::newRow("a letter first") << "c12"
                                        << "/org/freedesktop/login1/session/c12";
        QTest::newRow("other characters") << "a-b.c"
                                          << "/org/freedesktop/login1/session/a_2db_2ec";
    }
    void theScreenLockIsHeardOnTheSessionsPath() {
        QFETCH(QString, id);
        QFETCH(QString, path);
        QCOMPARE(ScreenLockWatch::SessionPath(id), path);
    }
};

QTEST_MAIN(AppUtilitiesTest)
#include "AppUtilitiesTest.moc"
