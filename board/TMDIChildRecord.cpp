// What the record of a game (a PGN file) needs from its window beyond the moves: who
// played which colour, and the clocks after each move.
#include "TMDIChild.h"

#include "ClockPanel.h"

namespace {

QString nameOrUnknown(const QString& name) {
    return name.trimmed().isEmpty() ? QStringLiteral("?") : name.trimmed();
}

} // namespace

std::pair<QString, QString> TMDIChild::PlayerNames(const QString& userName) const {
    const QString user = nameOrUnknown(userName);
    if (m_peerColour) {
        const QString peer = nameOrUnknown(m_opponentName);
        return *m_peerColour ? std::pair(user, peer) : std::pair(peer, user);
    }
    if (EngineAttached() || !m_engineName.isEmpty()) {
        const QString engine = nameOrUnknown(EngineAttached() ? m_engine->Name() : m_engineName);
        return m_game.Model().engineColour ? std::pair(engine, user) : std::pair(user, engine);
    }
    return {user, nameOrUnknown(m_opponentName)};
}

const std::vector<std::optional<ClockTime>>& TMDIChild::MoveClockTimes() const {
    return m_clocks->MoveTimes();
}
