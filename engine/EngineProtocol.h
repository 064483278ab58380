#pragma once

#include <QString>

#include <optional>

// The two dialogues an engine may speak. Xboard is the program's own from the start, and
// stays the choice whenever nothing else is known.
enum class EngineProtocol { Xboard, Uci };

// The word kept in the settings: "xboard" or "uci".
QString ProtocolText(EngineProtocol protocol);
// The protocol a settings word names, or nothing for any other text.
std::optional<EngineProtocol> ProtocolFromText(const QString& text);
