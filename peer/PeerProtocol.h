#pragma once

#include <QByteArray>
#include <QString>

// The lines two copies of the program exchange: "/new", "/move e2e4" (with a promotion
// letter after the squares when the move promotes) and "/chat " + speaker tag + text.
// Lines travel without their ending; the link adds CR LF and strips it on receipt.

// The TCP port of the link: ROOKVALE_PEER_PORT when it holds a port number, else 1980.
quint16 peerPort();

enum class PeerMessageKind { Ignored, Move, Chat, NewGame };

struct PeerMessage {
    PeerMessageKind kind = PeerMessageKind::Ignored;
    QString from;            // Move: the two characters after "/move "
    QString to;              // Move: the two characters after those
    QString promotionChoice; // Move: "Queen", "Rook", "Bishop", "Knight" or empty
    QString chatText;        // Chat: everything after "/chat ", as plain text to show
};

// A character that would not show as part of one plain line of text: a control character
// (the tab aside) or a line or paragraph separator.
bool breaksPlainLine(QChar c);

// Recognises a received line by its first characters, exactly and case-sensitively:
// "/move", "/chat", "/new". A move line too short to hold both squares is Ignored; the
// squares are passed on unchecked (the move operation refuses what is not a square name).
// Chat text is decoded as UTF-8 (invalid bytes become replacement characters), and
// control characters are replaced too, so that one received line shows as one line.
PeerMessage parsePeerLine(const QByteArray& line);

// "/move " + from + to + letter; `promotionLetter` is empty for a move that promotes nothing.
QByteArray moveLine(const QString& from, const QString& to, const QString& promotionLetter);
// "/chat " + tag + text, in UTF-8.
QByteArray chatLine(const QString& speakerTag, const QString& text);
QByteArray newGameLine();

// Whether a game window with this title takes part in the peer game: its first eleven
// characters are "Active Game".
bool isPeerGameTitle(const QString& title);
