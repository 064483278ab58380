#include "peer/PeerHandshake.h"

#include "peer/PeerProtocol.h"

#include <algorithm>

namespace {

// The longest start of `name` that fits the grammar's bound without splitting a character.
QByteArray boundedName(const QString& name) {
    QString text = name;
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || breaksPlainLine(c))
            c = QLatin1Char(' ');
    }
    QByteArray bytes = text.trimmed().toUtf8();
    while (bytes.size() > kMaxNameBytes) {
        bytes.chop(1);
        // Drop continuation bytes, then the lead byte of the character they belonged to.
        while (!bytes.isEmpty() && (static_cast<unsigned char>(bytes.back()) & 0xc0) == 0x80)
            bytes.chop(1);
        if (!bytes.isEmpty() && (static_cast<unsigned char>(bytes.back()) & 0x80))
            bytes.chop(1);
    }
    return bytes.isEmpty() ? QByteArrayLiteral("?") : bytes;
}

} // namespace

QByteArray PeerHandshake::HelloLine(const QString& ownName) {
    ExtendedMessage hello;
    hello.kind = ExtendedKind::Hello;
    hello.version = kExtendedVersion;
    hello.name = QString::fromUtf8(boundedName(ownName));
    return extendedLine(hello);
}

int PeerHandshake::Version() const {
    return m_peerVersion ? std::min(*m_peerVersion, kExtendedVersion) : 0;
}

PeerHandshake::Outcome PeerHandshake::drop(const QString& why) {
    ++m_drops;
    if (m_drops > kMaxLoggedDrops)
        return {};
    QString log = QStringLiteral("\r\nDropped a line from the peer: ") + why;
    if (m_drops == kMaxLoggedDrops)
        log += QStringLiteral(" (further dropped lines are not logged)");
    return {std::nullopt, log};
}

PeerHandshake::Outcome PeerHandshake::Receive(const QByteArray& line) {
    ExtendedReading reading = readExtendedLine(line);
    if (!reading.message)
        return drop(reading.error);
    if (reading.message->kind == ExtendedKind::Hello) {
        if (Extended())
            return drop(QStringLiteral("a second hello"));
        m_peerVersion = reading.message->version;
        m_peerName = reading.message->name;
        return {std::move(reading.message), {}};
    }
    if (!Extended())
        return drop(QStringLiteral("a message before the hello"));
    return {std::move(reading.message), {}};
}
