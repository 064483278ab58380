#include "ClockedMatch.h"

#include "engine/EngineReply.h"
#include "game/MatingMaterial.h"
#include "game/Piece.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <cctype>

namespace {

// How often the referee looks whether the side to move has run out: the engine's flag
// falls on the clock whether or not it ever answers.
constexpr int kFlagWatchMs = 10;
// No game of a short clock lasts this long; a longer one is broken off.
constexpr int kMaxPlies = 1000;

} // namespace

ClockedMatch::ClockedMatch(QString path, EngineProtocol protocol, TimeControl control)
    : m_path(std::move(path)), m_protocol(protocol), m_control(std::move(control)) {
    m_flagWatch.setInterval(kFlagWatchMs);
    connect(&m_flagWatch, &QTimer::timeout, this, &ClockedMatch::LookAtFlag);
}

bool ClockedMatch::StartEngines() {
    for (int side : {1, 0}) {
        m_engines[side] = ChessEngine::Make(m_protocol);
        QString error;
        if (!m_engines[side]->Start(m_path, &error)) {
            End("*", "cannot start: " + error.toStdString());
            return false;
        }
        // Noted as the line is read; made a turn of the event loop later, as a game window
        // makes it.
        connect(m_engines[side].get(), &ChessEngine::ReplyArrived, this,
                [this, side] { m_replyRead[side] = std::chrono::steady_clock::now(); });
        connect(
            m_engines[side].get(), &ChessEngine::ReplyArrived, this,
            [this, side] { ReplyArrived(side); }, Qt::QueuedConnection);
        m_engines[side]->Begin();
        m_engines[side]->SetClock(m_clock.get());
    }
    return true;
}

ClockedMatch::GameRecord ClockedMatch::Play() {
    m_record = {};
    m_over = false;
    m_moves.clear();
    m_display = {};
    m_game = std::make_unique<Game>(m_display);
    m_clock = std::make_unique<Clock>(m_control, m_time);
    if (StartEngines()) {
        m_flagWatch.start();
        m_engines[1]->Compute(m_moves);
        while (!m_over)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    m_flagWatch.stop();
    for (auto& engine : m_engines)
        engine.reset();
    return m_record;
}

void ClockedMatch::ReplyArrived(int side) {
    if (m_over || !m_engines[side])
        return;
    const std::optional<QByteArray> line = m_engines[side]->TakeReplyLine();
    if (!line)
        return;
    BoardModel& model = m_game->Model();
    if (model.SideToMove() != side) {
        End("*", "a reply out of turn: " + line->toStdString());
        return;
    }
    const bool timed = m_clock->Running();
    const ClockTime left = m_clock->Remaining(static_cast<std::uint8_t>(side));
    if (!m_clock->MoveMade()) {
        LookAtFlag();
        return;
    }
    if (timed) {
        m_record.smallestMargin = std::min(m_record.smallestMargin, left);
        m_record.readToStopMs.push_back(std::chrono::duration<double, std::milli>(
                                            std::chrono::steady_clock::now() - m_replyRead[side])
                                            .count());
        m_record.reserveMs.push_back(
            std::chrono::duration<double, std::milli>(m_engines[side]->Reserve()).count());
    }
    const std::optional<EngineMove> move = ReadEngineMoveIn(line->toStdString(), *m_game);
    model.promotionChoice = move ? move->promotion : std::string();
    if (!move || !m_game->MakeMove(move->from, move->to)) {
        End(side ? "0-1" : "1-0", "illegal reply: " + line->toStdString());
        return;
    }
    QByteArray coordinates = QByteArray::fromStdString(move->from + move->to);
    if (!move->promotion.empty())
        coordinates += static_cast<char>(
            std::tolower(static_cast<unsigned char>(KindLetter(move->promotion))));
    m_moves.append(coordinates);
    ++m_record.plies;
    if (model.finished) {
        const std::string& title = m_display.title;
        End(title.find("White Wins") != std::string::npos   ? "1-0"
            : title.find("Black Wins") != std::string::npos ? "0-1"
                                                            : "1/2-1/2",
            "rules" + title);
        return;
    }
    if (m_record.plies >= kMaxPlies) {
        End("*", "too long");
        return;
    }
    m_engines[side ? 0 : 1]->UserMoved(coordinates, m_moves, true);
}

void ClockedMatch::LookAtFlag() {
    if (m_over)
        return;
    const std::optional<std::uint8_t> flagged = m_clock->Flagged();
    if (!flagged)
        return;
    const std::uint8_t other = *flagged ? 0 : 1;
    m_record.forfeit = true;
    End(!CanStillMate(m_game->Model(), other) ? "1/2-1/2"
        : other                               ? "1-0"
                                              : "0-1",
        *flagged ? "White's flag" : "Black's flag");
}

void ClockedMatch::End(std::string result, std::string reason) {
    m_over = true;
    m_clock->Stop();
    m_record.result = std::move(result);
    m_record.reason = std::move(reason);
}
