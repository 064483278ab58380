#include "peer/PeerResume.h"

#include "game/Fen.h"
#include "game/Game.h"
#include "game/NullDisplay.h"
#include "game/Piece.h"

#include <algorithm>
#include <cctype>

namespace {

// A game replayed without a screen, move by move as the link sends them.
class Replay {
public:
    bool Play(const QByteArray& move) {
        const WireMove read = readWireMove(move);
        BoardModel& model = m_game.Model();
        model.promotionChoice = read.promotionKind;
        const bool made = m_game.MakeMove(read.from, read.to);
        model.promotionLetter.clear();
        return made;
    }
    const BoardModel& Model() const { return m_game.Model(); }

private:
    NullDisplay m_display;
    Game m_game{m_display};
};

} // namespace

QByteArray wireMoveOfRecord(const std::string& recordLine) {
    QByteArray move = QByteArray::fromStdString(recordLine.substr(0, 4));
    // The record's last letter names the promoted piece when it is upper-case and the
    // move changed rank as only a pawn's last step does; a castling's letter does not.
    if (recordLine.size() > 4 && recordLine[1] != recordLine[3]) {
        const char last = recordLine.back();
        if (std::isupper(static_cast<unsigned char>(last)) && !PromotionKindOfLetter(last).empty())
            move += static_cast<char>(std::tolower(static_cast<unsigned char>(last)));
    }
    return move;
}

WireMove readWireMove(const QByteArray& move) {
    WireMove read;
    read.from = move.left(2).toStdString();
    read.to = move.mid(2, 2).toStdString();
    if (move.size() > 4)
        read.promotionKind = PromotionKindOfLetter(move[4]);
    return read;
}

int legalPrefix(const std::vector<QByteArray>& moves) {
    Replay replay;
    int played = 0;
    for (const QByteArray& move : moves) {
        // A promotion without its letter would be made a queen silently: not the record.
        const WireMove read = readWireMove(move);
        const bool lastRank = read.to[1] == '8' || read.to[1] == '1';
        const TSquare& source = replay.Model().At(read.from);
        if (source.piece.kind == kind::Pawn && lastRank && read.promotionKind.empty())
            break;
        if (!replay.Play(move))
            break;
        ++played;
    }
    return played;
}

std::vector<ExtendedMessage> catchUpMoves(const std::vector<QByteArray>& moves, int peerPlies,
                                          std::optional<qint64> whiteMs,
                                          std::optional<qint64> blackMs) {
    std::vector<ExtendedMessage> lines;
    if (peerPlies < 0 || peerPlies >= static_cast<int>(moves.size()))
        return lines;
    Replay replay;
    for (int ply = 1; ply <= static_cast<int>(moves.size()); ++ply) {
        const QByteArray& move = moves[static_cast<std::size_t>(ply - 1)];
        if (!replay.Play(move))
            return {};
        if (ply <= peerPlies)
            continue;
        const WireMove read = readWireMove(move);
        ExtendedMessage line;
        line.kind = ExtendedKind::Move;
        line.ply = ply;
        line.from = QString::fromStdString(read.from);
        line.to = QString::fromStdString(read.to);
        line.promotionKind = QString::fromStdString(read.promotionKind);
        line.remainingMs = ply % 2 == 1 ? whiteMs : blackMs;
        line.fen = QByteArray::fromStdString(FenText(replay.Model()));
        lines.push_back(line);
    }
    return lines;
}

ExtendedMessage resumeMessage(const QByteArray& game, int plies, std::optional<qint64> ownMs) {
    ExtendedMessage message;
    message.kind = ExtendedKind::Resume;
    message.game = game;
    message.ply = std::clamp(plies, 0, kMaxPly);
    if (ownMs)
        message.remainingMs = std::clamp<qint64>(*ownMs, 0, kMaxTimeMs);
    return message;
}
