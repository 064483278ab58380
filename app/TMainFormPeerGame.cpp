// The extended peer game beyond its moves: the clocks' round trip and flags, the next game
// on the same connection ("/new" and Rematch), moves that cross the end of a game, and
// taking the other board's moves when the two boards differ.
#include "app/TMainForm.h"

#include "board/TMDIChild.h"
#include "game/Clock.h"
#include "game/Fen.h"
#include "game/NullDisplay.h"
#include "game/Piece.h"
#include "peer/PeerLink.h"

#include <QTimer>

#include <algorithm>
#include <cctype>
#include <chrono>

namespace {

// How long a flag claim waits for the opponent's answer before it is decided without one.
constexpr std::chrono::seconds kFlagAnswerWait{30};

PeerRoundTrip::TimePoint now() {
    return std::chrono::steady_clock::now();
}

// The identifier of the game that follows `game` on the same connection: both sides
// count it up alike, so that they agree on it without a word.
QByteArray nextGameId(const QByteArray& game) {
    bool ok = false;
    const quint64 number = game.toULongLong(&ok, 16);
    return QByteArray::number(ok ? number + 1 : 0, 16).rightJustified(kGameIdDigits, '0');
}

// The move of a move record line: its squares, and the piece when it promotes (the one
// upper-case marker letter that names a piece; a capture's letter is lower-case).
ExtendedMessage recordedMove(const std::string& line) {
    ExtendedMessage move = plainMessage(ExtendedKind::Move);
    move.from = QString::fromStdString(line.substr(0, 2));
    move.to = QString::fromStdString(line.substr(2, 2));
    if (line.size() > 4 && std::isupper(static_cast<unsigned char>(line.back())))
        move.promotionKind = QString::fromStdString(PromotionKindOfLetter(line.back()));
    return move;
}

} // namespace

bool TMainForm::makePeerMove(TMDIChild* window, const ExtendedMessage& move) {
    // Under this protocol a promotion always names its piece; the user is never asked.
    const TSquare& source = window->game().Model().At(move.from.toStdString());
    const bool promotes = source.piece.kind == kind::Pawn && (move.to.endsWith(QLatin1Char('8')) ||
                                                              move.to.endsWith(QLatin1Char('1')));
    if (promotes && move.promotionKind.isEmpty())
        return false;
    return window->MakeMoveFromOutside(move.from.toStdString(), move.to.toStdString(),
                                       move.promotionKind.toStdString());
}

void TMainForm::sendPing(PeerGameState& state) {
    ExtendedMessage ping = plainMessage(ExtendedKind::Ping);
    ping.token = state.roundTrip.Ping(now());
    sendOnGame(state, ping);
}

void TMainForm::receivePong(PeerGameState& state, quint32 token) {
    state.roundTrip.Pong(token, now());
}

void TMainForm::opponentFlagSeen(TMDIChild* window) {
    PeerGameState* state = extendedGameOf(window);
    if (!state || window->game().Model().finished)
        return;
    // This side's clock started the opponent's time when the move left, the opponent's when
    // it arrived: a move made in time may still be on its way for up to a round trip.
    const int fall = ++state->flagFalls;
    state->flagClaimPending = true;
    const QPointer<PeerConnection> connection(state->connection);
    QTimer::singleShot(state->roundTrip.FlagAllowance(), this,
                       [this, connection, fall] { claimFlag(connection, fall); });
}

void TMainForm::claimFlag(const QPointer<PeerConnection>& connection, int fall) {
    PeerGameState* state = openGameOn(connection);
    if (!state || !state->flagClaimPending || state->flagFalls != fall)
        return;
    state->flagClaimPending = false;
    TMDIChild* window = state->window;
    const std::uint8_t opponent = *window->PeerColour() ? 0 : 1;
    const Clock* clock = window->GameClock();
    if (!clock || clock->Flagged() != opponent)
        return;
    // The opponent's own clock is the truth for its time: the game ends only when it
    // agrees, so that the two boards never differ over a claim it refuses.
    sendOnGame(*state, plainMessage(ExtendedKind::Flag));
    state->flagClaimedAt = window->game().LivePosition();
    AddConsoleLine(QStringLiteral("\r\n%1's time ran out on your clock: you claimed the flag, "
                                  "and %1's program answers.")
                       .arg(state->opponent));
    QTimer::singleShot(kFlagAnswerWait, this,
                       [this, connection, fall] { flagAnswerMissing(connection, fall); });
}

void TMainForm::flagAnswerMissing(const QPointer<PeerConnection>& connection, int fall) {
    PeerGameState* state = openGameOn(connection);
    if (!state || !state->flagClaimedAt || state->flagFalls != fall)
        return;
    // A peer that does not answer at all: a move of its that came meanwhile was in time
    // by its clock; without one the claim stands.
    AddConsoleLine(
        QStringLiteral("\r\n%1's program did not answer the flag claim.").arg(state->opponent));
    settleFlagClaim(*state, !state->moveAfterClaim, std::nullopt);
}

void TMainForm::receiveFlagAnswer(PeerGameState& state, const ExtendedMessage& answer) {
    if (!state.flagClaimedAt || state.window->game().Model().finished)
        return;
    settleFlagClaim(state, answer.answer == PeerAnswer::Accept, answer.remainingMs);
}

void TMainForm::settleFlagClaim(PeerGameState& state, bool accepted,
                                std::optional<qint64> remainingMs) {
    TMDIChild* window = state.window;
    const int claimedAt = *state.flagClaimedAt;
    const std::optional<ExtendedMessage> crossed = std::exchange(state.moveAfterClaim, {});
    state.flagClaimedAt.reset();
    const std::uint8_t opponent = *window->PeerColour() ? 0 : 1;
    if (accepted) {
        AddConsoleLine(QStringLiteral("\r\n%1's time ran out.").arg(state.opponent));
        // The claim was decided on the position before a move that crossed it, and the
        // move is recorded afterwards, as the opponent does.
        state.endedHereAt = claimedAt;
        window->EndOnFlag(opponent);
        window->SetPeerClockTime(opponent, ClockTime{0});
        if (crossed)
            recordCrossingMove(state, *crossed);
        return;
    }
    if (crossed) {
        AddConsoleLine(QStringLiteral("\r\n%1 moved in time: the flag claim is withdrawn, and "
                                      "the game goes on.")
                           .arg(state.opponent));
        receivePeerMove(state, *crossed);
        return;
    }
    const QString shown =
        remainingMs ? QString::fromStdString(ClockText(std::chrono::milliseconds(*remainingMs)))
                    : QStringLiteral("time left");
    AddConsoleLine(QStringLiteral("\r\n%1's clock shows %2: the flag claim is withdrawn, and "
                                  "the game goes on.")
                       .arg(state.opponent, shown));
    if (remainingMs)
        window->SetPeerClockTime(opponent, std::chrono::milliseconds(*remainingMs));
}

void TMainForm::answerFlagClaim(PeerGameState& state, bool accepted) {
    ExtendedMessage answer =
        plainMessage(ExtendedKind::FlagAnswer, accepted ? PeerAnswer::Accept : PeerAnswer::Decline);
    if (accepted)
        answer.remainingMs = 0;
    else if (const std::optional<qint64> left = ownTimeOnWire(*state.window))
        // Time left, as a refusal says: a last fraction of a millisecond counts as one.
        answer.remainingMs = std::max<qint64>(*left, 1);
    sendOnGame(state, answer);
}

void TMainForm::receiveFlagClaim(PeerGameState& state) {
    TMDIChild* window = state.window;
    const BoardModel& model = window->game().Model();
    const std::uint8_t own = *window->PeerColour();
    const Clock* clock = window->GameClock();
    if (model.finished) {
        // Ended here on this side's own flag: the claimer's game ends alike. Any other end
        // reaches the claimer by a line of its own.
        if (clock && clock->Flagged() == own) {
            AddConsoleLine(QStringLiteral("\r\n%1 claimed your flag.").arg(state.opponent));
            answerFlagClaim(state, true);
        }
        return;
    }
    if (!clock) {
        AddConsoleLine(QStringLiteral("\r\nRefused %1's flag claim: the game has no clock.")
                           .arg(state.opponent));
        answerFlagClaim(state, false);
        return;
    }
    // A move of this side may have crossed the claim: its time before that move counts,
    // without the increment the move earned.
    const bool ownMoveCrossed = model.SideToMove() != own;
    ClockTime left = clock->Remaining(own);
    if (ownMoveCrossed)
        left -= clock->Increment(own);
    if (left > state.roundTrip.FlagAllowance()) {
        AddConsoleLine(QStringLiteral("\r\nRefused %1's flag claim: your clock shows %2.")
                           .arg(state.opponent, QString::fromStdString(ClockText(left))));
        answerFlagClaim(state, false);
        return;
    }
    AddConsoleLine(QStringLiteral("\r\n%1 claimed your flag.").arg(state.opponent));
    answerFlagClaim(state, true);
    if (!ownMoveCrossed) {
        window->EndOnFlag(own);
        window->SetPeerClockTime(own, ClockTime{0});
        return;
    }
    // The claimer decided on the position before the crossing move and records the move
    // afterwards; so does this side.
    const ExtendedMessage move = recordedMove(model.moveRecord.back());
    window->TakeBackPeerMoves(window->game().LivePosition() - 1);
    window->EndOnFlag(own);
    window->SetPeerClockTime(own, ClockTime{0});
    const QString title = window->windowTitle();
    makePeerMove(window, move);
    window->setWindowTitle(title);
}

bool TMainForm::recordCrossingMove(PeerGameState& state, const ExtendedMessage& move) {
    // This side ended the game (resigned, aborted, its flag claim held) while the peer's move was
    // on the wire: the peer made it before it heard of the end, so it is recorded here too
    // and the result stands, so that both move lists stay equal. Only the one next move.
    TMDIChild* window = state.window;
    const std::optional<int> endedAt = state.endedHereAt;
    if (!endedAt || move.ply != *endedAt + 1 || window->game().LivePosition() != *endedAt ||
        window->game().Model().SideToMove() == *window->PeerColour())
        return false;
    state.endedHereAt.reset();
    const QString title = window->windowTitle();
    const bool made = makePeerMove(window, move);
    // Whatever the move would have ended in, the game had ended already.
    window->setWindowTitle(title);
    window->game().Model().finished = 1;
    if (!made)
        AddConsoleLine(QStringLiteral("\r\nRefused the peer's move %1: it is not legal here.")
                           .arg(move.from + move.to));
    return true;
}

TMainForm::PeerGameState& TMainForm::nextPeerGame(PeerConnection* connection, TMDIChild* window) {
    PeerGameState& state = m_peerGames[connection];
    PeerGameState next;
    next.connection = connection;
    next.window = window;
    next.opponent = state.opponent;
    next.roundTrip = state.roundTrip;
    state = std::move(next);
    return state;
}

void TMainForm::startNewPeerGames(TMDIChild* window) {
    // The new window goes to the first connection that speaks the extended protocol, and
    // each further one gets a window of its own: one game, one connection.
    const bool serving = m_link->ServerActive();
    std::vector<PeerConnection*> connections;
    for (const auto& [connection, state] : m_peerGames) {
        const bool served = connection != m_link->ClientConnection();
        if (state.connection && served == serving && connection->Handshake().Extended())
            connections.push_back(connection);
    }
    for (PeerConnection* connection : connections) {
        TMDIChild* game = window ? window : openPeerGameWindow();
        window = nullptr;
        if (!game)
            return;
        PeerGameState& state = nextPeerGame(connection, game);
        if (serving)
            offerTerms(connection, state);
    }
}

void TMainForm::newGameFromPeer(PeerConnection* connection, TMDIChild* window) {
    // An old copy's "/new" opens a window as it always did; a new copy's starts its
    // connection's next game there, on the waiting side's terms.
    const auto found = m_peerGames.find(connection);
    if (!window || !connection || found == m_peerGames.end() || !connection->Handshake().Extended())
        return;
    PeerGameState& state = nextPeerGame(connection, window);
    if (connection != m_link->ClientConnection())
        offerTerms(connection, state);
}

void TMainForm::peerRematch(PeerGameState& state) {
    if (!state.window->game().Model().finished || !state.terms)
        return;
    sendOnGame(state, plainMessage(ExtendedKind::Rematch));
    startRematch(state);
    state.rematchSent = true;
}

void TMainForm::receiveRematch(PeerGameState& state) {
    TMDIChild* window = state.window;
    // Both asked at once: this game is the one both meant.
    if (state.rematchSent && window->game().LivePosition() == 0) {
        state.rematchSent = false;
        return;
    }
    if (!window->game().Model().finished || !state.terms) {
        AddConsoleLine(
            QStringLiteral("\r\nRefused %1's rematch: the game is not over.").arg(state.opponent));
        return;
    }
    AddConsoleLine(QStringLiteral("\r\n%1 asked for a rematch.").arg(state.opponent));
    startRematch(state);
}

void TMainForm::startRematch(PeerGameState& state) {
    const std::uint8_t own = *state.window->PeerColour() ? 0 : 1;
    ExtendedMessage terms = *state.terms;
    terms.colour = terms.colour == PeerColour::White ? PeerColour::Black : PeerColour::White;
    terms.game = nextGameId(terms.game);
    TMDIChild* window = openPeerGameWindow();
    if (!window)
        return;
    PeerGameState& next = nextPeerGame(state.connection, window);
    next.terms = terms;
    applyTerms(next, own);
}

void TMainForm::offerResync(PeerGameState& state, int ply, const QString& why) {
    AddConsoleLine(
        QStringLiteral("\r\nThe boards differ from half-move %1 on: %2").arg(ply).arg(why));
    if (state.resyncFrom)
        return;
    // The peer is told at once, so that both consoles say it, and sends its moves from
    // there again; they wait until this side's user takes them.
    state.resyncFrom = std::max(ply, 1);
    state.resyncAccepted = false;
    state.resyncMoves.clear();
    ExtendedMessage resync = plainMessage(ExtendedKind::Resync);
    resync.ply = *state.resyncFrom;
    sendOnGame(state, resync);
    const QPointer<PeerConnection> connection(state.connection);
    const int from = *state.resyncFrom;
    askPeerQuestion(
        QStringLiteral("Boards Differ"),
        QStringLiteral("The boards differ from half-move %1 on. Take %2's moves from there?")
            .arg(from)
            .arg(state.opponent),
        [this, connection, from](bool accepted) {
            PeerGameState* game = openGameOn(connection);
            if (!game || game->resyncFrom != from || game->resyncAccepted)
                return;
            if (!accepted) {
                game->resyncFrom.reset();
                game->resyncMoves.clear();
                return;
            }
            game->resyncAccepted = true;
            game->window->TakeBackPeerMoves(from - 1);
            std::vector<ExtendedMessage> moves;
            moves.swap(game->resyncMoves);
            for (const ExtendedMessage& move : moves) {
                if (move.ply >= from)
                    receivePeerMove(*game, move);
            }
            AddConsoleLine(QStringLiteral("\r\nTook %1's moves from half-move %2 on.")
                               .arg(game->opponent)
                               .arg(from));
        });
}

void TMainForm::receiveResync(PeerGameState& state, int ply) {
    AddConsoleLine(QStringLiteral("\r\n%1 says the boards differ from half-move %2 on.")
                       .arg(state.opponent)
                       .arg(ply));
    resendMoves(state, ply);
}

void TMainForm::resendMoves(PeerGameState& state, int from) {
    const Game& game = state.window->game();
    const int live = game.LivePosition();
    if (from < 1 || from > live)
        return;
    // The positions after each of the moves, read by taking them back on a copy.
    NullDisplay quiet;
    Game copy = game;
    copy.SetDisplay(quiet);
    std::vector<QByteArray> fens(live + 1);
    for (int ply = live; ply >= from; --ply) {
        fens[ply] = QByteArray::fromStdString(FenText(copy.Model()));
        if (ply > from && !copy.TakeBack())
            return;
    }
    const std::vector<std::string>& record = game.Model().moveRecord;
    for (int ply = from; ply <= live; ++ply) {
        ExtendedMessage move = recordedMove(record[ply - 1]);
        move.ply = ply;
        move.fen = fens[ply];
        sendOnGame(state, move);
    }
}
