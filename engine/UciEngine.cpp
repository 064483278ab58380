#include "UciEngine.h"

#include "ClockCommands.h"

namespace {

// The first word of a line and what follows it, blanks of either kind between words.
QList<QByteArray> wordsOf(const QByteArray& line) {
    return line.simplified().split(' ');
}

// "(none)" and "0000" are how engines say that they have no move in the position.
bool namesAMove(const QByteArray& word) {
    return !word.isEmpty() && word != "(none)" && word != "0000";
}

} // namespace

UciEngine::UciEngine() {
    m_handshake.setSingleShot(true);
    connect(&m_handshake, &QTimer::timeout, this, &UciEngine::HandshakeExpired);
}

QByteArray UciEngine::PositionCommand(const MoveList& game) {
    QByteArray command = "position startpos";
    if (!game.isEmpty())
        command += " moves " + game.join(' ');
    return command + '\n';
}

void UciEngine::Begin() {
    if (m_state != State::Silent)
        return;
    m_state = State::Greeting;
    Write("uci\n");
    m_handshake.start(m_handshakeMs);
}

void UciEngine::ReadOption(const QByteArray& line) {
    // option name NAME (several words) type spin default D min A max B
    const qsizetype nameAt = line.indexOf(" name ");
    const qsizetype typeAt = line.indexOf(" type ");
    if (nameAt < 0 || typeAt < nameAt)
        return;
    const QByteArray name = line.mid(nameAt + 6, typeAt - nameAt - 6).trimmed();
    const QList<QByteArray> words = line.mid(typeAt).simplified().split(' ');
    Range range;
    bool min = false, max = false;
    for (qsizetype i = 0; i + 1 < words.size(); ++i) {
        bool ok = false;
        const qint64 value = words[i + 1].toLongLong(&ok);
        if (words[i] == "min" && ok)
            range.min = value, min = true;
        else if (words[i] == "max" && ok)
            range.max = value, max = true;
    }
    if (name == "UCI_LimitStrength")
        m_limitStrength = words.contains("check");
    else if (name == "UCI_Elo" && min && max && range.min < range.max)
        m_elo = range;
    else if (name == "Skill Level" && min && max && range.min < range.max)
        m_skill = range;
}

QStringList UciEngine::StrengthLevels() const {
    if ((m_limitStrength && m_elo) || m_skill)
        return AllStrengthLevels();
    return {};
}

void UciEngine::SetStrength(const QString& level) {
    const qsizetype step = AllStrengthLevels().indexOf(level);
    if (step < 0 || StrengthLevels().isEmpty())
        return;
    const qsizetype steps = AllStrengthLevels().size() - 1;
    const auto value = [&](const Range& range) {
        return QByteArray::number(range.max - (range.max - range.min) * step / steps);
    };
    if (m_limitStrength && m_elo) {
        m_strengthOptions = "setoption name UCI_LimitStrength value " +
                            QByteArray(step == 0 ? "false" : "true") + '\n';
        if (step != 0)
            m_strengthOptions += "setoption name UCI_Elo value " + value(*m_elo) + '\n';
    } else {
        m_strengthOptions = "setoption name Skill Level value " + value(*m_skill) + '\n';
    }
}

void UciEngine::HandshakeExpired() {
    if (m_state != State::Greeting)
        return;
    ReportFailure(QStringLiteral("The engine did not answer \"uci\" with \"uciok\" within %1 s.")
                      .arg(m_handshakeMs / 1000.0));
}

void UciEngine::UserMoved(const QByteArray&, const MoveList& game, bool engineToMove) {
    if (engineToMove)
        Search(game);
}

void UciEngine::Compute(const MoveList& game) {
    if (m_state == State::Searching) {
        Write("stop\n");
        return;
    }
    Search(game);
}

void UciEngine::SetSecondsPerMove(int seconds) {
    m_moveTimeMs = seconds * 1000;
}

void UciEngine::Search(const MoveList& game) {
    switch (m_state) {
    case State::Silent:
    case State::Greeting:
        m_waiting = game;
        return;
    case State::Idle:
        m_game = game;
        m_state = State::Readying;
        Write(std::exchange(m_strengthOptions, {}) + "isready\n");
        m_readyTrips.Asked();
        return;
    case State::Readying:
    case State::Searching:
        return;
    }
}

void UciEngine::ReadLine(const QByteArray& line) {
    const QList<QByteArray> words = wordsOf(line);
    const QByteArray& first = words.front();
    if (m_state == State::Greeting && first == "option") {
        ReadOption(line);
    } else if (m_state == State::Greeting && first == "id" && words.value(1) == "name") {
        m_name = line.mid(line.indexOf("name") + 4).trimmed();
    } else if (m_state == State::Greeting && first == "uciok") {
        m_handshake.stop();
        EndSilentStart();
        m_state = State::Idle;
        Write("ucinewgame\n");
        emit StrengthKnown();
        if (m_waiting)
            Search(*std::exchange(m_waiting, std::nullopt));
    } else if (m_state == State::Readying && first == "readyok") {
        m_state = State::Searching;
        m_readyTrips.Answered();
        m_reserve = m_readyTrips.Longest();
        // The clock is read now, when the search starts, not when it was asked for.
        const QByteArray limit = GameClock() ? UciClockWords(*GameClock(), m_reserve)
                                             : "movetime " + QByteArray::number(m_moveTimeMs);
        Write(PositionCommand(m_game) + "go " + limit + '\n');
    } else if (m_state == State::Searching && first == "info") {
        if (std::optional<EngineThought> thought = ReadUciInfo(line))
            OfferThought(std::move(*thought));
    } else if (m_state == State::Searching && first == "bestmove") {
        m_state = State::Idle;
        if (words.size() > 1 && namesAMove(words[1]))
            OfferReply("move " + words[1]);
    }
}
