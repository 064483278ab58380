#include "ChessEngine.h"

#include "UciEngine.h"
#include "XboardEngine.h"

#include <QFileInfo>
#include <QIODevice>
#include <QMetaObject>

#include <algorithm>

std::unique_ptr<ChessEngine> ChessEngine::Make(EngineProtocol protocol) {
    if (protocol == EngineProtocol::Uci)
        return std::make_unique<UciEngine>();
    return std::make_unique<XboardEngine>();
}

const QStringList& ChessEngine::AllStrengthLevels() {
    static const QStringList levels = {QStringLiteral("Full"), QStringLiteral("Strong"),
                                       QStringLiteral("Club"), QStringLiteral("Casual"),
                                       QStringLiteral("Beginner")};
    return levels;
}

ChessEngine::ChessEngine() {
    connect(&m_link, &EngineLink::WriteFailed, this, &ChessEngine::WriteFailed);
    // The last words of an engine that ends are read before anyone asks whether it ended.
    connect(&m_link, &EngineLink::Finished, this, &ChessEngine::ReadAvailable);
    connect(&m_link, &EngineLink::Finished, this, &ChessEngine::EndSilentStart);
    // Each line gives GNU Chess's waiting thread one brief chance at the lock; written
    // plainly, a few seconds of them see it through. Giving up the processor after each
    // write made it need many times more.
    constexpr int kNudgeMs = 40;
    m_nudge.setInterval(kNudgeMs);
    connect(&m_nudge, &QTimer::timeout, this, &ChessEngine::Nudge);
    m_silentBound.setSingleShot(true);
    connect(&m_silentBound, &QTimer::timeout, this, [this] {
        EndSilentStart();
        ReportFailure(QStringLiteral("The engine gave no answer within %1 s of its start.")
                          .arg(m_silentBoundMs / 1000.0));
    });
}

ChessEngine::~ChessEngine() {
    Close();
}

bool ChessEngine::Start(const QString& path, QString* error) {
    if (Attached())
        return true;
    if (!m_link.Start(path, error))
        return false;
    m_programName = QFileInfo(path).fileName();
    Attach(m_link.Device());
    return true;
}

void ChessEngine::SeeThroughSilentStart(int boundMs) {
    if (!Attached())
        m_silentBoundMs = std::max(boundMs, 1);
}

QString ChessEngine::Name() const {
    // A name is one short line of a record, whatever the engine printed.
    constexpr int kLongestName = 80;
    const QString own = QString::fromUtf8(OwnName()).simplified().left(kLongestName);
    return own.isEmpty() ? m_programName : own;
}

void ChessEngine::Attach(QIODevice* device) {
    if (Attached())
        return;
    m_device = device;
    m_framer.Clear();
    m_reply.reset();
    // Reading as soon as output arrives keeps the pipe drained, so the device's own buffer
    // never holds more than one read's worth of an engine that floods its output.
    connect(device, &QIODevice::readyRead, this, &ChessEngine::ReadAvailable);
    if (StartsSilently()) {
        m_nudge.start();
        m_silentBound.start(m_silentBoundMs);
    }
}

bool ChessEngine::Send(const QByteArray& text, QString* error) {
    if (!m_device)
        return true;
    if (m_device->write(text) == text.size())
        return true;
    if (error)
        *error = m_device->errorString();
    return false;
}

bool ChessEngine::Write(const QByteArray& text) {
    QString error;
    if (Send(text, &error))
        return true;
    QMetaObject::invokeMethod(
        this, [this, error] { emit WriteFailed(error); }, Qt::QueuedConnection);
    return false;
}

void ChessEngine::Nudge() {
    // An engine whose input is closed hears nothing more: one report of that is enough.
    if (!Write("\n"))
        EndSilentStart();
}

void ChessEngine::EndSilentStart() {
    m_nudge.stop();
    m_silentBound.stop();
}

void ChessEngine::ReportFailure(const QString& text) {
    QMetaObject::invokeMethod(
        this, [this, text] { emit Failed(text); }, Qt::QueuedConnection);
}

void ChessEngine::ReadAvailable() {
    if (!m_device)
        return;
    m_framer.Append(m_device->readAll());
    // A line may close the link (a failed greeting); the rest is then of no use.
    while (m_device) {
        std::optional<QByteArray> line = m_framer.TakeLine();
        if (!line)
            break;
        ReadLine(*line);
    }
}

void ChessEngine::SetClock(const Clock* clock) {
    if (!clock && !m_clock)
        return;
    m_clock = clock;
    ClockChanged();
}

void ChessEngine::OfferReply(QByteArray line) {
    if (m_reply)
        return;
    m_reply = std::move(line);
    emit ReplyArrived();
}

std::optional<QByteArray> ChessEngine::TakeReplyLine() {
    return std::exchange(m_reply, std::nullopt);
}

void ChessEngine::Close() {
    EndSilentStart();
    if (m_device)
        m_device->disconnect(this);
    m_device = nullptr;
    m_framer.Clear();
    m_reply.reset();
    m_thought.reset();
    m_link.Close();
}
