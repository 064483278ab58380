#include "peer/PeerProtocol.h"

#include "game/Piece.h"

#include <QtGlobal>

namespace {

constexpr quint16 kDefaultPort = 1980;
const QString kPeerGameTitle = QStringLiteral("Active Game");

// Characters are counted from 1 in the message layout; QByteArray counts from 0.
constexpr qsizetype kSourceAt = 6;
constexpr qsizetype kDestinationAt = 8;
constexpr qsizetype kPromotionAt = 10;
constexpr qsizetype kChatTextAt = 6;

// A carriage return, a line or paragraph separator inside a chat text would start a new
// line in the chat log, where it could pass for a line of the other speaker.
QString oneLineOfText(const QByteArray& bytes) {
    QString text = QString::fromUtf8(bytes);
    for (QChar& c : text) {
        if (breaksPlainLine(c))
            c = QChar::ReplacementCharacter;
    }
    return text;
}

} // namespace

bool breaksPlainLine(QChar c) {
    const char16_t code = c.unicode();
    return (code < 0x20 && code != '\t') || code == 0x7f || (code >= 0x80 && code < 0xa0) ||
           code == 0x2028 || code == 0x2029;
}

quint16 peerPort() {
    bool ok = false;
    const uint port = qEnvironmentVariable("ROOKVALE_PEER_PORT").toUInt(&ok);
    return ok && port > 0 && port <= 65535 ? static_cast<quint16>(port) : kDefaultPort;
}

PeerMessage parsePeerLine(const QByteArray& line) {
    PeerMessage message;
    if (line.startsWith("/move")) {
        // Both squares must be there; the promotion letter is read only when it is.
        if (line.size() < kDestinationAt + 2)
            return message;
        message.kind = PeerMessageKind::Move;
        message.from = QString::fromLatin1(line.mid(kSourceAt, 2));
        message.to = QString::fromLatin1(line.mid(kDestinationAt, 2));
        if (line.size() > kPromotionAt)
            message.promotionChoice =
                QString::fromStdString(PromotionKindOfLetter(line[kPromotionAt]));
    } else if (line.startsWith("/chat")) {
        message.kind = PeerMessageKind::Chat;
        message.chatText = oneLineOfText(line.mid(kChatTextAt));
    } else if (line.startsWith("/new")) {
        message.kind = PeerMessageKind::NewGame;
    }
    return message;
}

QByteArray moveLine(const QString& from, const QString& to, const QString& promotionLetter) {
    return "/move " + (from + to + promotionLetter).toUtf8();
}

QByteArray chatLine(const QString& speakerTag, const QString& text) {
    return "/chat " + (speakerTag + text).toUtf8();
}

QByteArray newGameLine() {
    return QByteArrayLiteral("/new");
}

bool isPeerGameTitle(const QString& title) {
    return title.startsWith(kPeerGameTitle);
}
