#pragma once

#include "ChessEngine.h"

// An engine that speaks the xboard protocol, in the program's own dialogue: "xboard",
// "new" and "st 1" at the start, the user's moves in coordinates, "go" for Compute and
// "st N" for the time per move. Nothing else is sent: the engine answers the user's moves
// from its own start-up state and plays whichever side is to move on "go". A reply is the
// first line holding "move " since the last TakeReplyLine. While the thinking is shown the
// engine gets "post", and its thinking lines are read. "resign" and "offer draw" are passed
// on; a result the engine claims is not: the rules find every end of a game themselves,
// so a claim is either known already or wrong.
class XboardEngine : public ChessEngine {
    Q_OBJECT
public:
    EngineProtocol Protocol() const override { return EngineProtocol::Xboard; }

    void Begin() override;
    void UserMoved(const QByteArray& move, const MoveList& game, bool engineToMove) override;
    void Compute(const MoveList& game) override;
    void SetSecondsPerMove(int seconds) override;
    void ShowThinking(bool shown) override;

protected:
    void ReadLine(const QByteArray& line) override;

private:
    bool m_posting = false;
};
