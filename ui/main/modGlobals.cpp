#include "modGlobals.h"

#include "Form1.h"
#include "Seams.h"
#include "VaultFile.h"
#include "frmPass.h"

#include <QCoreApplication>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>
#include <QStringEncoder>
#include <algorithm>

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
    // Each row's texts as UTF-8 in one buffer reused from row to row: a save copies no entry whole and
    // allocates nothing per row.
    QStringEncoder utf8(QStringEncoder::Utf8);
    std::string buffer;
    const auto row = [&](std::size_t index) {
        const int position = static_cast<int>(index) + 1;
        // Once the list has been sorted its rows' texts lie scattered in memory: ask for those of a few
        // rows ahead while this one is converted.
        constexpr int kAhead = 8;
        if (position + kAhead <= static_cast<int>(count)) {
            for (int f = 0; f < ListItemsModel::kFields; ++f) {
                __builtin_prefetch(items->fieldView(position + kAhead, f).data());
            }
        }
        QStringView texts[ListItemsModel::kFields];
        qsizetype needed = 0;
        for (int f = 0; f < ListItemsModel::kFields; ++f) {
            texts[f] = items->fieldView(position, f);
            needed += utf8.requiredSpace(texts[f].size());
        }
        if (buffer.size() < static_cast<std::size_t>(needed)) {
            buffer.resize(static_cast<std::size_t>(needed) * 2);
        }
        std::string_view views[ListItemsModel::kFields];
        char* out = buffer.data();
        for (int f = 0; f < ListItemsModel::kFields; ++f) {
            char* end = utf8.appendToBuffer(out, texts[f]);
            views[f] = std::string_view(out, static_cast<std::size_t>(end - out));
            out = end;
        }
        return vault::EntryView{views[0], views[1], views[2]};
    };
    const auto failed = modGlobals::SaveVault(PathString(), strMasterPassword.toStdString(), count, row);
    std::fill(buffer.begin(), buffer.end(), '\0'); // the last rows' texts, passwords among them
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
