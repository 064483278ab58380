#include "XboardEngine.h"

#include "ClockCommands.h"

#include <QMetaObject>

namespace {

// Before a game the xboard protocol expects "new": some engines (Fairy-Max) never answer
// a move without it. It sets what the dialogue assumes: the standard position, the engine
// playing Black.
const QByteArray kOpening = "xboard\nnew\nst 1\n";
const QByteArray kFeatureQuestion = "protover 2\n";

// "Illegal move (no such move): e2e4" holds the reply marker but is the engine turning a
// command down; taken as the reply it would hide the real one that follows.
bool IsComplaint(const QByteArray& said) {
    return said.startsWith("Illegal move") || said.startsWith("Invalid move") ||
           said.startsWith("Error");
}

} // namespace

void XboardEngine::Begin() {
    if (std::exchange(m_begun, true))
        return;
    // An engine silent at its start has no other answer that tells it is through it: its
    // last "feature" line is that answer.
    if (StartsSilently())
        m_learning = true;
    Write(m_learning ? "xboard\n" + kFeatureQuestion + kOpening.mid(7) : kOpening);
}

void XboardEngine::LearnFeatures() {
    if (std::exchange(m_learning, true))
        return;
    if (m_begun)
        Write(kFeatureQuestion);
}

QStringList XboardEngine::StrengthLevels() const {
    return m_features.level ? AllStrengthLevels() : QStringList();
}

void XboardEngine::SetStrength(const QString& level) {
    const qsizetype step = AllStrengthLevels().indexOf(level);
    if (step < 0 || !m_features.level)
        return;
    const XboardFeatures::Spin& spin = *m_features.level;
    const qsizetype steps = AllStrengthLevels().size() - 1;
    Write("option " + spin.name + '=' +
          QByteArray::number(spin.max - (spin.max - spin.min) * step / steps) + '\n');
}

void XboardEngine::UserMoved(const QByteArray& move, const MoveList&, bool engineToMove) {
    // The engine follows the game itself and answers when its side is to move; the times
    // go before the move that starts its search.
    m_removing = 0;
    if (!m_forced) {
        if (engineToMove)
            TellTimes();
        Write(move + '\n');
        return;
    }
    Write(move + '\n');
    if (engineToMove)
        Compute({});
}

void XboardEngine::Compute(const MoveList&) {
    m_forced = false;
    TellTimes();
    Write("go\n");
}

void XboardEngine::TakeBack(int halfMoves, const MoveList&) {
    if (halfMoves == 2 && !m_forced && !m_removeRefused) {
        m_removing = halfMoves;
        Write("remove\n");
        return;
    }
    Undo(halfMoves);
}

void XboardEngine::Undo(int halfMoves) {
    QByteArray text = m_forced ? QByteArray() : QByteArray("force\n");
    for (int i = 0; i < halfMoves; ++i)
        text += "undo\n";
    m_forced = true;
    Write(text);
}

void XboardEngine::OfferDraw() {
    Write("draw\n");
}

void XboardEngine::GameEnded(const QByteArray& result, const QByteArray& why) {
    m_forced = true;
    Write("result " + result + " {" + why + "}\n");
}

void XboardEngine::SetSecondsPerMove(int seconds) {
    m_secondsPerMove = seconds;
    // Under a clock a time per move would undo the "level"; it waits for the clock to go.
    if (!GameClock())
        Write("st " + QByteArray::number(seconds) + '\n');
}

void XboardEngine::ClockChanged() {
    if (const Clock* clock = GameClock()) {
        LearnFeatures();
        Write(XboardLevelCommand(clock->Control()));
    } else {
        Write("st " + QByteArray::number(m_secondsPerMove) + '\n');
    }
}

void XboardEngine::TellTimes() {
    if (const Clock* clock = GameClock())
        Write(XboardTimeCommands(*clock, m_pingTrips.Longest()));
}

void XboardEngine::ShowThinking(bool shown) {
    if (shown == m_posting)
        return;
    if (shown)
        LearnFeatures();
    m_posting = shown;
    Write(shown ? "post\n" : "nopost\n");
}

void XboardEngine::ReadLine(const QByteArray& line) {
    const QByteArray said = line.trimmed();
    if (m_removing && said.startsWith("Error") && said.endsWith(": remove")) {
        m_removeRefused = true;
        Undo(std::exchange(m_removing, 0));
    } else if (m_learning && said.startsWith("feature ")) {
        const bool wasDone = m_features.done;
        Write(m_features.Read(said));
        if (m_features.done && !wasDone) {
            EndSilentStart();
            emit StrengthKnown();
        }
    } else if (said == "resign" || said.startsWith("resign ")) {
        QMetaObject::invokeMethod(this, &ChessEngine::Resigned, Qt::QueuedConnection);
    } else if (said == "offer draw") {
        QMetaObject::invokeMethod(this, &ChessEngine::DrawOffered, Qt::QueuedConnection);
    } else if (said.startsWith("pong ")) {
        if (said.mid(5).trimmed() == QByteArray::number(m_pings))
            m_pingTrips.Answered();
    } else if (line.contains("move ") && !IsComplaint(said)) {
        EndSilentStart();
        OfferReply(line);
        // The engine is idle now: a good moment to see how long its answers take.
        if (GameClock() && m_features.ping) {
            Write("ping " + QByteArray::number(++m_pings) + '\n');
            m_pingTrips.Asked();
        }
    } else if (m_posting) {
        if (std::optional<EngineThought> thought = ReadXboardThinking(line)) {
            EndSilentStart();
            OfferThought(std::move(*thought));
        }
    }
}
