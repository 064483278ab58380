#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The extended lines two new copies exchange beside "/new", "/move " and "/chat ". Each one
// begins with kExtendedPrefix, which begins with none of the old prefixes, so an old copy
// drops it as it drops any line it does not know. The grammar, version 1; words are
// separated by exactly one blank, and nothing may follow the last one:
//
//   /rv hello <version> <name>           first line of each side on a connection; extended
//                                        play is on once both have sent it
//   /rv terms <game> <colour> <control>  the waiting side's terms for a new game
//   /rv accept <game>                    the connecting side takes the terms
//   /rv decline <game>                   ... or not: the connection keeps the old game
//   /rv move <ply> <move> <time> <fen>   one half-move of the game
//   /rv resign                           the sender resigns
//   /rv draw <answer>                    offer, accept or decline a draw
//   /rv takeback <answer>                offer (ask for), accept or decline a takeback
//   /rv abort                            the sender ends the game without a result
//   /rv rematch                          a new game, colours swapped
//   /rv flag                             the receiver's time has run out, the sender says;
//                                        the claim stands only once the receiver answers
//   /rv flaganswer <answer> <time>       the answer to a flag claim: "accept" (the sender's
//                                        time has run out; <time> is then 0) or "decline"
//                                        with the sender's remaining time by its own clock
//   /rv ping <token>                     asks for a pong with the same token
//   /rv pong <token>                     answers a ping, for the link's round trip
//   /rv resync <ply>                     the receiver's game differs from the sender's from
//                                        half-move <ply> on; please send the moves again
//   /rv resume <game> <plies> [<time>]   on reconnecting: the sender has this game, with
//                                        this many half-moves, and its own remaining time
//                                        when the game has a clock (never "-"); without
//                                        that word the receiver's clocks stay as they are
//
//   <version>  decimal, 1 to 999, no leading zero; a version above ours is read, and both
//              sides then speak the lower one
//   <name>     the rest of the line: 1 to kMaxNameBytes bytes of valid UTF-8 without
//              control characters
//   <game>     the game's identifier: exactly 16 lower-case hexadecimal digits
//   <colour>   "white" or "black": the colour the sender plays
//   <control>  "-" for no clock, else a time control as the clock reads it ("5+3"), at
//              most kMaxControlBytes bytes
//   <ply>      the half-move's number counted from 1, at most kMaxPly; <plies> may be 0
//   <move>     source and destination square ("e7e8") and, when the move promotes, always
//              the piece letter "q", "r", "b" or "n"
//   <time>     the mover's remaining time in milliseconds after the move, at most
//              kMaxTimeMs, or "-" when the game has no clock (and in moves sent again
//              for a resync); 0 says the mover's flag fell with this move. In a flag
//              answer and a resume: the sender's remaining time, alike
//   <fen>      the rest of the line: the position the move leads to, in FEN, at most
//              kMaxFenBytes bytes, a position a game can reach
//   <answer>   "offer", "accept" or "decline"; a flag answer is never an offer
//   <token>    decimal, 0 to 999999999
//
// A line longer than kMaxLineBytes is malformed whatever it holds.

inline constexpr char kExtendedPrefix[] = "/rv ";
inline constexpr int kExtendedVersion = 1;
inline constexpr int kMaxVersion = 999;
inline constexpr qsizetype kMaxLineBytes = 512;
inline constexpr qsizetype kMaxNameBytes = 64;
inline constexpr qsizetype kMaxControlBytes = 32;
inline constexpr qsizetype kMaxFenBytes = 100;
inline constexpr int kMaxPly = 9999;
inline constexpr qint64 kMaxTimeMs = 360'000'000; // a hundred hours
inline constexpr quint32 kMaxToken = 999'999'999;
inline constexpr qsizetype kGameIdDigits = 16;

enum class ExtendedKind {
    Hello,
    Terms,
    Accept,
    Decline,
    Move,
    Resign,
    Draw,
    TakeBack,
    Abort,
    Rematch,
    Flag,
    FlagAnswer,
    Ping,
    Pong,
    Resync,
    Resume,
};

enum class PeerColour { White, Black };
enum class PeerAnswer { Offer, Accept, Decline };

// One extended line. Only the fields of its kind are set; the others keep their defaults,
// so that two messages compare equal exactly when they say the same.
struct ExtendedMessage {
    ExtendedKind kind = ExtendedKind::Hello;
    int version = 0;                       // Hello
    QString name;                          // Hello
    QByteArray game;                       // Terms, Accept, Decline, Resume
    PeerColour colour = PeerColour::White; // Terms
    QString timeControl;                   // Terms: empty for none
    int ply = 0;                           // Move, Resync; Resume: the half-moves the sender has
    QString from;                          // Move
    QString to;                            // Move
    QString promotionKind;                 // Move: "Queen", "Rook", "Bishop", "Knight" or empty
    std::optional<qint64> remainingMs;     // Move, FlagAnswer, Resume: none without a clock
    QByteArray fen;                        // Move
    PeerAnswer answer = PeerAnswer::Offer; // Draw, TakeBack, FlagAnswer
    quint32 token = 0;                     // Ping, Pong

    bool operator==(const ExtendedMessage&) const = default;
};

// The outcome of reading one line: the message, or why the line is malformed.
struct ExtendedReading {
    std::optional<ExtendedMessage> message;
    QString error;
};

// Whether a received line belongs to the extended protocol (it begins with kExtendedPrefix).
bool isExtendedLine(const QByteArray& line);

// Reads one extended line, without its ending, by the grammar above. Anything the grammar
// does not allow gives no message and a short reason fit for the Main Console; nothing of
// a malformed line is returned.
ExtendedReading readExtendedLine(const QByteArray& line);

// A message of a kind that carries nothing (Resign, Abort, Rematch, Flag) or only an
// answer (Draw, TakeBack).
ExtendedMessage plainMessage(ExtendedKind kind, PeerAnswer answer = PeerAnswer::Offer);

// The line of `message` by the grammar above, without its ending. The message's fields
// must lie within the grammar's bounds; readExtendedLine gives back an equal message.
QByteArray extendedLine(const ExtendedMessage& message);
