#include "modGlobals.h"

#include "Form1.h"
#include "Seams.h"
#include "VaultFile.h"
#include "frmPass.h"

#include <QCoreApplication>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>

namespace modGlobals {

QString strStoredPassword;
QString strMasterPassword;
bool blnCreateMode = false;
QString strEditMode;
QString strEditUsername;
QString strEditPassword;
QString strEditLocation;
qint16 intEditRow = 0;

namespace {

QPointer<frmPass> gPass;

std::string PathString() {
    return VaultPathText().toStdString();
}

void ShowError(const vault::VaultError& error) {
    seams::MsgBox(QString::fromStdString(error.Message()), seams::vbCritical);
}

void ShowPasswordDialog() {
    if (gPass == nullptr) {
        gPass = new frmPass();
        gPass->Form_Load();
    }
    gPass->show();
}

} // namespace

QString VaultPathText() {
    return QString::fromStdString(modGlobals::VaultPath(seams::ExecutableDir().toStdString()));
}

frmPass* PasswordDialog() {
    return gPass;
}

void UnloadPasswordDialog() {
    frmPass* dialog = gPass;
    gPass.clear();
    if (dialog != nullptr) {
        dialog->close();
        dialog->deleteLater();
    }
}

void OpenVault() {
    const auto master = ReadMasterPassword(PathString());
    if (!master) {
        ShowError(master.error());
        seams::EndProgram(1);
        return;
    }
    if (!master->empty()) {
        strStoredPassword = QString::fromStdString(*master);
        ShowEnterPassword();
    } else {
        ShowCreatePassword();
    }
}

void ShowCreatePassword() {
    blnCreateMode = true;
    ShowPasswordDialog();
}

void ShowEnterPassword() {
    blnCreateMode = false;
    ShowPasswordDialog();
}

bool CreateMasterPassword() {
    // The file is written before the dialog goes, so that a failed write leaves the user where they were.
    const auto kept = WriteMasterPassword(PathString(), strMasterPassword.toStdString());
    if (!kept) {
        strMasterPassword.clear();
        ShowError(kept.error());
        return false;
    }
    // The dialog goes away at once; the object itself is destroyed by afterFormLoad, once no handler of
    // the dialog is running any more.
    if (gPass != nullptr) {
        gPass->close();
    }
    QCoreApplication::processEvents();
    Form1* main = Form1::instance();
    if (main != nullptr && !kept->empty()) {
        main->ShowEntries(*kept);
    }
    SetStatus(QStringLiteral("Password created successfully"));
    if (main != nullptr) {
        main->afterFormLoad();
    }
    return true;
}

void LoadEntries() {
    const auto entries = ReadEntries(PathString());
    if (!entries) {
        ShowError(entries.error());
        seams::EndProgram(1);
        return;
    }
    Form1* main = Form1::instance();
    if (main != nullptr) {
        main->ShowEntries(*entries);
    }
    SetStatus(QStringLiteral("Loaded %1 entries").arg(entries->size()));
    if (main != nullptr) {
        main->afterFormLoad();
    }
}

bool SaveVault() {
    Form1* main = Form1::instance();
    ListItemsModel* items = main != nullptr ? main->lstPass->items() : nullptr;
    const std::size_t count = items != nullptr ? static_cast<std::size_t>(items->count()) : 0;
    // Each row's texts as UTF-8 in buffers reused from row to row, so a save copies no entry whole.
    QByteArray fields[ListItemsModel::kFields];
    const auto row = [&](std::size_t index) {
        const ListItem item = items->item(static_cast<int>(index) + 1);
        fields[0] = item.text.toUtf8();
        fields[1] = item.sub1.toUtf8();
        fields[2] = item.sub2.toUtf8();
        return vault::EntryView{{fields[0].constData(), static_cast<std::size_t>(fields[0].size())},
                                {fields[1].constData(), static_cast<std::size_t>(fields[1].size())},
                                {fields[2].constData(), static_cast<std::size_t>(fields[2].size())}};
    };
    const auto failed = modGlobals::SaveVault(PathString(), strMasterPassword.toStdString(), count, row);
    if (failed) {
        SetStatus(QStringLiteral("Not saved."));
        ShowError(*failed);
        return false;
    }
    SetStatus(QStringLiteral("Saved ") + GeneralDate(seams::Now()));
    return true;
}

void SetStatus(const QString& text) {
    if (Form1* main = Form1::instance()) {
        main->SetStatusText(text);
    }
}

QString GeneralDate(const QDateTime& when) {
    const QLocale locale = QLocale::system();
    // The long time format without its time zone, which the general format does not show.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("\\s*t+")));
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(when.time(), timeFormat.trimmed());
}

void Reset() {
    if (gPass != nullptr) {
        delete gPass;
    }
    strStoredPassword.clear();
    strMasterPassword.clear();
    blnCreateMode = false;
    strEditMode.clear();
    strEditUsername.clear();
    strEditPassword.clear();
    strEditLocation.clear();
    intEditRow = 0;
}

} // namespace modGlobals
