#include "ProtocolProbe.h"

#include "EngineCloser.h"

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

// GNU Chess in xboard mode greets with this one word as soon as one of its threads is
// running, while the thread that plays may still wait for input lines to get going: it
// needs the same help as an engine that says nothing at all. Which of the two a probe sees
// depends on whether its one "uci" line happened to be enough.
constexpr char kGreetingBeforeItsEngineRuns[] = "Chess";

} // namespace

ProtocolProbe::ProtocolProbe(QString path, int waitMs, QObject* parent)
    : QObject(parent), m_path(std::move(path)), m_waitMs(waitMs) {
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        // What arrived with the deadline still counts.
        ReadAvailable();
        if (m_decided)
            return;
        m_silent = !m_printed || m_firstLine == kGreetingBeforeItsEngineRuns;
        Decide(EngineProtocol::Xboard);
    });
}

ProtocolProbe::~ProtocolProbe() {
    EndProcess();
}

void ProtocolProbe::Start() {
    if (m_process || m_decided)
        return;
    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    connect(m_process, &QProcess::started, this, [this] { m_process->write("uci\n"); });
    connect(m_process, &QProcess::readyRead, this, &ProtocolProbe::ReadAvailable);
    // An engine that ends has said all it had to say before; a start that fails says
    // nothing. Queued, so that Decided never comes from inside Start.
    connect(
        m_process, &QProcess::finished, this, [this] { Decide(EngineProtocol::Xboard); },
        Qt::QueuedConnection);
    connect(
        m_process, &QProcess::errorOccurred, this,
        [this](QProcess::ProcessError failure) {
            if (failure == QProcess::FailedToStart)
                Decide(EngineProtocol::Xboard);
        },
        Qt::QueuedConnection);
    m_deadline.start(m_waitMs);
    m_process->start(m_path, {});
}

void ProtocolProbe::ReadAvailable() {
    if (!m_process)
        return;
    const QByteArray bytes = m_process->readAll();
    m_printed = m_printed || !bytes.isEmpty();
    m_framer.Append(bytes);
    while (const std::optional<QByteArray> line = m_framer.TakeLine()) {
        // A UCI engine names itself first; on a busy machine "uciok" may come late.
        const QByteArray said = line->trimmed();
        if (m_firstLine.isNull())
            m_firstLine = said;
        if (said == "uciok" || said.startsWith("id name ")) {
            Decide(EngineProtocol::Uci);
            return;
        }
        if (refuses(*line)) {
            m_silent = m_firstLine == kGreetingBeforeItsEngineRuns;
            Decide(EngineProtocol::Xboard);
            return;
        }
    }
}

void ProtocolProbe::Decide(EngineProtocol protocol) {
    if (m_decided)
        return;
    m_decided = true;
    m_deadline.stop();
    EndProcess();
    emit Decided(protocol);
}

void ProtocolProbe::EndProcess() {
    if (!m_process)
        return;
    QProcess* process = std::exchange(m_process, nullptr);
    process->disconnect(this);
    EngineCloser::End(process);
}
