#include "OutsideChanges.h"

#include "MainWindow.h"
#include "Seams.h"

namespace {

// How often the vault is looked at for changes made by another program while the list shows it.
constexpr int kCheckMs = 500;

} // namespace

OutsideChanges::OutsideChanges(VaultSession& session, std::function<bool()> listInUse, QObject* parent)
    : QObject(parent), session_(session), listInUse_(std::move(listInUse)) {
    timer_.setInterval(kCheckMs);
    connect(&timer_, &QTimer::timeout, this, &OutsideChanges::check);
}

void OutsideChanges::check() {
    if (main_ == nullptr || !listInUse_()) {
        return;
    }
    if (!session_.changedElsewhere()) {
        return;
    }
    const std::optional<ListEntry> selected = main_->selectedEntry();
    const VaultSession::ReloadOutcome outcome = session_.reload();
    switch (outcome.result) {
    case VaultSession::Reload::Unchanged:
        return;
    case VaultSession::Reload::Reloaded:
        if (selected) {
            if (const int position = session_.entries()->positionOfItem(*selected, true); position != 0) {
                main_->selectOnly(position);
            }
        }
        if (!session_.readOnlyReason().isEmpty()) {
            seams::messageBox(session_.readOnlyReason(), {.icon = seams::Icon::Exclamation});
        }
        return;
    case VaultSession::Reload::NewMasterPassword:
        emit newMasterPassword();
        return;
    case VaultSession::Reload::Failed:
        main_->setStatusText(QStringLiteral("Not reloaded: ") + QString::fromStdString(outcome.error->Message()));
        return;
    }
}
