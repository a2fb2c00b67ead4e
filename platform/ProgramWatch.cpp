#include "ProgramWatch.h"

#include "ProcessLauncher.h"

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <unistd.h>

ProgramWatch::ProgramWatch(pid_t pid, int errorOutput, QObject* parent)
    : QObject(parent), pid_(pid), errorOutput_(errorOutput) {
    if (errorOutput_ >= 0) {
        errorNotifier_ = new QSocketNotifier(errorOutput_, QSocketNotifier::Read, this);
        connect(errorNotifier_, &QSocketNotifier::activated, this, &ProgramWatch::ReadErrors);
    }
    endNotice_ = ProcessLauncher::OpenEndNotice(pid_);
    if (endNotice_ >= 0) {
        endNotifier_ = new QSocketNotifier(endNotice_, QSocketNotifier::Read, this);
        connect(endNotifier_, &QSocketNotifier::activated, this, &ProgramWatch::CheckEnded);
    } else {
        // No pidfd: a tenth of a second keeps the report within a second of the end.
        poll_ = new QTimer(this);
        connect(poll_, &QTimer::timeout, this, &ProgramWatch::CheckEnded);
        poll_->start(100);
    }
    QTimer::singleShot(kPatienceMs, this, [this] {
        StopWatching();
        deleteLater();
    });
}

ProgramWatch::~ProgramWatch() {
    StopWatching();
}

void ProgramWatch::ReadErrors() {
    if (errorOutput_ < 0) {
        return;
    }
    // At most a pipe's worth at a time, so that a chatty program cannot hold the window's thread.
    char buffer[4096];
    for (int round = 0; round < 16; ++round) {
        const ssize_t got = ::read(errorOutput_, buffer, sizeof buffer);
        if (got > 0) {
            tail_.append(buffer, got);
            if (tail_.size() > kTailBytes) {
                tail_.remove(0, tail_.size() - kTailBytes);
            }
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got == 0) {
            // Every writer has closed it: nothing more will come.
            errorNotifier_->setEnabled(false);
            ::close(errorOutput_);
            errorOutput_ = -1;
        }
        return; // EAGAIN: all read for now
    }
}

void ProgramWatch::CheckEnded() {
    const std::optional<int> status = ProcessLauncher::Ended(pid_);
    if (!status) {
        return;
    }
    pid_ = -1;
    // What the program wrote before it ended is in the pipe already.
    ReadErrors();
    const QByteArray tail = tail_;
    StopWatching();
    deleteLater();
    emit ended(*status, tail);
}

void ProgramWatch::StopWatching() {
    delete errorNotifier_;
    errorNotifier_ = nullptr;
    delete endNotifier_;
    endNotifier_ = nullptr;
    delete poll_;
    poll_ = nullptr;
    if (endNotice_ >= 0) {
        ::close(endNotice_);
        endNotice_ = -1;
    }
    if (pid_ > 0) {
        ProcessLauncher::ReapWhenEnded(pid_);
        pid_ = -1;
    }
    if (errorOutput_ >= 0) {
        ProcessLauncher::DrainInBackground(errorOutput_);
        errorOutput_ = -1;
    }
}
