#include "ProtocolProbe.h"

#include "EngineCloser.h"
#include "peer/PeerLineFramer.h"

#include <QDeadlineTimer>
#include <QProcess>

namespace {

// How xboard engines turn down a command they do not know ("Error (unknown command): uci",
// "Illegal move: uci", "Invalid move: uci"): no need to wait out the rest of the time.
bool refuses(const QByteArray& line) {
    const QByteArray lower = line.toLower();
    for (const char* word : {"error", "illegal", "invalid", "unknown"}) {
        if (lower.contains(word))
            return true;
    }
    return false;
}

} // namespace

EngineProtocol DetectProtocol(const QString& path, int waitMs) {
    auto* process = new QProcess;
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->start(path, {});
    const QDeadlineTimer deadline(waitMs);
    EngineProtocol found = EngineProtocol::Xboard;
    if (process->waitForStarted(std::max<qint64>(1, deadline.remainingTime()))) {
        process->write("uci\n");
        PeerLineFramer framer;
        bool decided = false;
        while (!decided && !deadline.hasExpired() &&
               process->waitForReadyRead(std::max<qint64>(1, deadline.remainingTime()))) {
            framer.Append(process->readAll());
            while (const std::optional<QByteArray> line = framer.TakeLine()) {
                // A UCI engine names itself first; on a busy machine "uciok" may come late.
                const QByteArray said = line->trimmed();
                if (said == "uciok" || said.startsWith("id name ")) {
                    found = EngineProtocol::Uci;
                    decided = true;
                } else if (refuses(*line)) {
                    decided = true;
                }
                if (decided)
                    break;
            }
        }
    }
    EngineCloser::End(process);
    return found;
}
