#pragma once

#include "peer/PeerExtendedProtocol.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The extended protocol's state on one connection. Each side sends its hello as the
// connection opens; extended play is on once the peer's hello has come too. Until then,
// and for ever with an old copy that never says hello, the connection speaks only the old
// lines, which do not pass through here.
class PeerHandshake {
public:
    // At most this many dropped lines of one connection are logged; the rest are dropped
    // without a word, so that a flood of them cannot flood the Main Console as well.
    static constexpr int kMaxLoggedDrops = 20;

    // This side's hello naming `ownName`, made to fit the grammar: control characters become
    // blanks, and a name too long is cut between two characters.
    static QByteArray HelloLine(const QString& ownName);

    // What one received extended line comes to.
    struct Outcome {
        std::optional<ExtendedMessage> message; // to act on; none when dropped
        QString log;                            // a Main Console line, or empty
    };
    // The first well-formed hello switches extended play on and is given back; a further
    // hello, any other message before the hello, and a malformed line are dropped, and the
    // drop is logged (up to kMaxLoggedDrops times). Other messages are given back once on.
    Outcome Receive(const QByteArray& line);

    bool Extended() const { return m_peerVersion.has_value(); }
    // The version both sides speak: the lower of theirs and ours; 0 before the hello.
    int Version() const;
    const QString& PeerName() const { return m_peerName; }

private:
    Outcome drop(const QString& why);

    std::optional<int> m_peerVersion;
    QString m_peerName;
    int m_drops = 0;
};
