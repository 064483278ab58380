#include "XboardEngine.h"

#include <QMetaObject>

namespace {

// Before a game the xboard protocol expects "new": some engines (Fairy-Max) never answer
// a move without it. It sets what the dialogue assumes: the standard position, the engine
// playing Black.
const QByteArray kOpening = "xboard\nnew\nst 1\n";

} // namespace

void XboardEngine::Begin() {
    Write(kOpening);
}

void XboardEngine::UserMoved(const QByteArray& move, const MoveList&, bool) {
    // The engine follows the game itself and answers when its side is to move.
    Write(move + '\n');
}

void XboardEngine::Compute(const MoveList&) {
    Write("go\n");
}

void XboardEngine::SetSecondsPerMove(int seconds) {
    Write("st " + QByteArray::number(seconds) + '\n');
}

void XboardEngine::ShowThinking(bool shown) {
    if (shown == m_posting)
        return;
    m_posting = shown;
    Write(shown ? "post\n" : "nopost\n");
}

void XboardEngine::ReadLine(const QByteArray& line) {
    const QByteArray said = line.trimmed();
    if (said == "resign" || said.startsWith("resign ")) {
        QMetaObject::invokeMethod(this, &ChessEngine::Resigned, Qt::QueuedConnection);
    } else if (said == "offer draw") {
        QMetaObject::invokeMethod(this, &ChessEngine::DrawOffered, Qt::QueuedConnection);
    } else if (line.contains("move ")) {
        OfferReply(line);
    } else if (m_posting) {
        if (std::optional<EngineThought> thought = ReadXboardThinking(line))
            OfferThought(std::move(*thought));
    }
}
