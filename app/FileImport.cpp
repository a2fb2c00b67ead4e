#include "FileImport.h"

#include "CsvImport.h"
#include "ImportDialog.h"
#include "Seams.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

FileImport::FileImport(VaultSession& session, std::function<void(const VaultSession::Outcome&)> report,
                       std::function<void(QWidget*)> skin)
    : session_(session), report_(std::move(report)), skin_(std::move(skin)) {}

void FileImport::run(QString path, QWidget* parent) {
    if (path.isEmpty()) {
        path = QFileDialog::getOpenFileName(parent, QStringLiteral("Choose the CSV File to Import"), QDir::homePath(),
                                            QStringLiteral("CSV files (*.csv *.CSV);;All files (*)"));
        if (path.isEmpty()) {
            return;
        }
    }
    const auto file = vault::ReadImportFile(QFile::encodeName(path).toStdString());
    if (!file) {
        seams::messageBox(QString::fromStdString(file.error().Message()), {.icon = seams::Icon::Critical});
        return;
    }
    ImportDialog dialog(
        path, *file, [this, &file](bool replace) { return session_.planImport(*file, replace); }, parent);
    skin_(&dialog);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const VaultSession::Outcome outcome = session_.importEntries(*file, dialog.replacePasswords());
    if (outcome.stored == VaultSession::Stored::ListFull) {
        seams::messageBox(
            QString::fromStdString(vault::TooManyText(session_.planImport(*file, dialog.replacePasswords()))),
            {.icon = seams::Icon::Exclamation});
        return;
    }
    report_(outcome);
    if (!outcome.saved()) {
        return;
    }
    // The file holds every password in plain text: offer to delete it, No unless the person says Yes. When
    // the import left something out, the file may be its only copy, and the offer says what would be lost.
    QString question = QStringLiteral("%1 holds your passwords in plain text, readable by anyone who can read the "
                                      "file.  ")
                           .arg(QDir::toNativeSeparators(path));
    if (const std::string leftOut = vault::LeftOutText(*file); !leftOut.empty()) {
        question += QStringLiteral("It also holds what was not imported: %1.  Deleting the file loses them.  ")
                        .arg(QString::fromStdString(leftOut));
    }
    question += QStringLiteral("Delete it now?");
    if (seams::messageBox(question,
                          {.buttons = seams::Buttons::YesNo, .icon = seams::Icon::Question, .defaultButton = 1}) !=
        seams::Answer::Yes) {
        return;
    }
    QFile csv(path);
    if (!csv.remove()) {
        seams::messageBox(
            QStringLiteral("Could not delete %1: %2").arg(QDir::toNativeSeparators(path), csv.errorString()),
            {.icon = seams::Icon::Exclamation});
    }
}
