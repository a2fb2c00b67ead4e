// One run of keyshelf-band, the band's renderer, from the window: started beside this program, handed its
// request on standard input, heard on standard output, never waited for. The kernel holds it to its
// limits; the window kills it at its deadline and takes no more of its answer than was said.
#pragma once

#include <QByteArray>
#include <QObject>

class QProcess;
class QTimer;

namespace band {

struct RunLimits {
    int cpuSeconds = 2;                         // of processor time
    qint64 addressSpace = 1024LL * 1024 * 1024; // bytes of address space
    int descriptors = 64;
    int deadlineMs = 6000; // from start to answer, however the time is spent
};

// keyshelf-band beside the running program.
QString RendererPath();

class Run : public QObject {
    Q_OBJECT
public:
    // Starts the renderer on `request`; `finished` follows once, from the event loop, unless the run is
    // deleted first (which kills the renderer).
    Run(const QByteArray& request, qint64 maxAnswer, RunLimits limits, QObject* parent);
    ~Run() override;

signals:
    // The renderer's whole answer when it ended by itself and well in time, within `maxAnswer`; else
    // `ok` is false (not started, a limit hit, killed, too much said).
    void finished(bool ok, const QByteArray& answer);

private:
    void end(bool ok);

    QProcess* process_;
    QTimer* deadline_;
    QByteArray answer_;
    qint64 maxAnswer_;
    bool ended_ = false;
};

} // namespace band
