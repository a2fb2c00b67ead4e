// One Keyshelf per vault. Two programs writing one data.enc would each save over the other's changes, so
// the first start on a vault claims it, and a later start on the same vault asks that one to bring its
// windows to the front and ends without opening the file.
//
// The claim is an exclusive lock on a file in the user's runtime folder, held for the life of the
// process: the kernel drops it when the process ends in any way, so a crash leaves nothing that stops the
// next start, and two starts at the same moment cannot both win. The holder listens on a local socket
// beside the lock; that is how a later start reaches it. Both names come from a hash of the vault's
// canonical path, so the same folder reached through a link is the same vault, and a long path still fits
// the socket's 108-byte address.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Claim {
        First,     // this process has the vault; it listens for later starts
        Elsewhere, // another process has the vault and was asked to come to the front: end now
        Unguarded, // no private runtime folder (or no room for the name): run as if alone
    };

    explicit SingleInstance(const QString& vaultPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // How a start that found the vault taken (Claim::Elsewhere) handed over to the process that has it.
    enum class HandOver {
        Raised,     // that one brought its windows to the front and said so
        Asked,      // it took the request but did not answer in time: its windows come once it is free
        Unanswered, // it holds the vault but could not be reached
    };

    // Claims the vault or hands over to the process that has it; bounded to well under half a second.
    Claim ClaimVault();
    // After Claim::Elsewhere: how the hand-over went.
    HandOver handOver() const { return handOver_; }

    // The runtime folder when it is a folder of this user's that no one else can enter, else "".
    static QString PrivateRuntimeDir();
    // The name both files start with, for a vault at `vaultPath`.
    static QString KeyFor(const QString& vaultPath);

signals:
    // A later start on this vault asked for the windows.
    void raiseRequested();

private:
    bool TakeLock(); // true when this process holds the lock now
    bool AskToRaise();
    bool Listen();
    void Serve(QLocalSocket* client);

    QString vaultPath_;
    QString lockPath_;
    QString socketPath_;
    int lockFd_ = -1;
    HandOver handOver_ = HandOver::Unanswered;
    QLocalServer* server_ = nullptr;
};
