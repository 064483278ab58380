#include "EngineOutput.h"

#include "engine/EngineReply.h"
#include "game/Game.h"
#include "game/NullDisplay.h"

#include <QStringList>

namespace {

// Keeps the notation that making a move writes into the move list.
class NotationRecorder : public NullDisplay {
public:
    void EnterHalfMove(std::uint8_t, const std::string& notation) override {
        m_notation = notation;
    }
    void AppendToCurrentCell(const std::string& suffix) override { m_notation += suffix; }
    std::string Take() { return std::exchange(m_notation, {}); }

private:
    std::string m_notation;
};

// Words between the moves of a variation that are no moves: "12.", "12...", "...", "(-)".
bool IsDecoration(const QByteArray& word) {
    return word.endsWith('.') || (word.startsWith('(') && word.endsWith(')'));
}

QString Score(const EngineThought& thought, bool whiteToMove) {
    const int forWhite = whiteToMove ? thought.score : -thought.score;
    if (thought.mate)
        return QStringLiteral("#%1").arg(forWhite);
    return QString::asprintf("%+.2f", forWhite / 100.0);
}

QString Variation(const QList<QByteArray>& pv, const Game& game) {
    NotationRecorder recorder;
    Game line = game;
    line.SetDisplay(recorder);
    QStringList shown;
    int moveNumber = line.LivePosition() / 2 + 1;
    bool first = true;
    for (const QByteArray& word : pv) {
        if (shown.size() >= kMaxPvMoves || line.Model().finished)
            break;
        const std::optional<EngineMove> move = ReadEngineMoveIn("move " + word.toStdString(), line);
        if (!move) {
            if (IsDecoration(word))
                continue;
            break;
        }
        if (!line.IsLegalMove(move->from, move->to, true))
            break;
        const bool white = line.Model().SideToMove() == 1;
        line.Model().promotionChoice = move->promotion;
        if (!line.MakeMove(move->from, move->to))
            break;
        const QString notation = QString::fromStdString(recorder.Take());
        if (white)
            shown << QStringLiteral("%1. %2").arg(moveNumber).arg(notation);
        else if (first)
            shown << QStringLiteral("%1... %2").arg(moveNumber).arg(notation);
        else
            shown << notation;
        if (!white)
            ++moveNumber;
        first = false;
    }
    return shown.join(QLatin1Char(' '));
}

} // namespace

QString DescribeThought(const EngineThought& thought, const Game& game) {
    return QStringLiteral("%1  %2  %3 s  %4  %5")
        .arg(thought.depth)
        .arg(Score(thought, game.Model().SideToMove() == 1))
        .arg(QString::number(thought.timeMs / 1000.0, 'f', 1))
        .arg(thought.nodes)
        .arg(Variation(thought.pv, game));
}
