// Watching a started program until it ends, to learn how it ended and what it last said on its standard
// error, without ever waiting for it: Go To tells the user when the desktop's opener fails.
#pragma once

#include <QByteArray>
#include <QObject>
#include <sys/types.h>

class QSocketNotifier;
class QTimer;

// Watches a program started by ProcessLauncher::StartWithErrorPipe, owning its pid and the read end of
// its error pipe. The pipe is drained as text arrives (keeping only the last kTailBytes), so that neither
// the program nor one it left running blocks on a full pipe. The end is learnt from the process itself
// (a pidfd, else a short poll), never from the pipe's end: an opener may leave a browser holding the pipe
// for as long as the browser runs. Once the program has ended, `ended` is emitted and the watch deletes
// itself; a pipe still held by another program is then drained in the background until that one closes
// it. A program still running after kPatience is taken to have opened what it was given (a browser the
// opener became, or waits for): the watch stops, its pid is reaped in the background and its pipe drained.
class ProgramWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kTailBytes = 4096;
    static constexpr int kPatienceMs = 30000;

    ProgramWatch(pid_t pid, int errorOutput, QObject* parent = nullptr);
    ~ProgramWatch() override;

signals:
    // `waitStatus` as waitpid gives it (-1: unknown), `errorTail` the end of what the program wrote to its
    // standard error.
    void ended(int waitStatus, const QByteArray& errorTail);

private:
    void ReadErrors();
    void CheckEnded();
    void StopWatching();

    pid_t pid_;
    int errorOutput_;
    int endNotice_ = -1;
    QByteArray tail_;
    QSocketNotifier* errorNotifier_ = nullptr;
    QSocketNotifier* endNotifier_ = nullptr;
    QTimer* poll_ = nullptr;
};
