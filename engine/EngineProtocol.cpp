#include "EngineProtocol.h"

QString ProtocolText(EngineProtocol protocol) {
    return protocol == EngineProtocol::Uci ? QStringLiteral("uci") : QStringLiteral("xboard");
}

std::optional<EngineProtocol> ProtocolFromText(const QString& text) {
    if (text == QLatin1String("uci"))
        return EngineProtocol::Uci;
    if (text == QLatin1String("xboard"))
        return EngineProtocol::Xboard;
    return std::nullopt;
}
