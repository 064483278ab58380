#pragma once

#include "EngineProtocol.h"

#include <QString>

// Finds out which protocol the engine at `path` speaks, without asking anyone: starts it on
// its own, says "uci" and listens for at most `waitMs`. "id name" or "uciok" in time means UCI; a
// complaint about the command, silence, an end or a start failure mean xboard, the
// program's own dialogue. The probe's process is ended afterwards (see EngineCloser).
// Waits on the calling thread, without an event loop.
inline constexpr int kProtocolProbeMs = 3000;
EngineProtocol DetectProtocol(const QString& path, int waitMs = kProtocolProbeMs);
