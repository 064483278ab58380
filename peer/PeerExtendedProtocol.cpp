#include "peer/PeerExtendedProtocol.h"

#include "game/Fen.h"
#include "game/Piece.h"
#include "game/Square.h"
#include "game/TimeControl.h"
#include "peer/PeerProtocol.h"

#include <QList>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <utility>

namespace {

constexpr qsizetype kPrefixBytes = sizeof(kExtendedPrefix) - 1;

const std::array<std::pair<const char*, ExtendedKind>, 16> kWords{{
    {"hello", ExtendedKind::Hello},
    {"terms", ExtendedKind::Terms},
    {"accept", ExtendedKind::Accept},
    {"decline", ExtendedKind::Decline},
    {"move", ExtendedKind::Move},
    {"resign", ExtendedKind::Resign},
    {"draw", ExtendedKind::Draw},
    {"takeback", ExtendedKind::TakeBack},
    {"abort", ExtendedKind::Abort},
    {"rematch", ExtendedKind::Rematch},
    {"flag", ExtendedKind::Flag},
    {"flaganswer", ExtendedKind::FlagAnswer},
    {"ping", ExtendedKind::Ping},
    {"pong", ExtendedKind::Pong},
    {"resync", ExtendedKind::Resync},
    {"resume", ExtendedKind::Resume},
}};

const std::array<std::pair<const char*, PeerAnswer>, 3> kAnswers{{
    {"offer", PeerAnswer::Offer},
    {"accept", PeerAnswer::Accept},
    {"decline", PeerAnswer::Decline},
}};

// A decimal number of plain digits without a leading zero (but "0" itself), in [low, high].
std::optional<qint64> number(const QByteArray& word, qint64 low, qint64 high) {
    if (word.isEmpty() || word.size() > 10 || (word.size() > 1 && word[0] == '0'))
        return std::nullopt;
    qint64 value = 0;
    for (const char c : word) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

bool isGameId(const QByteArray& word) {
    if (word.size() != kGameIdDigits)
        return false;
    for (const char c : word) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

// Valid UTF-8 with no control character, tab included: a name shows as one plain line in any
// window.
bool isPlainText(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        return false;
    return std::none_of(text.begin(), text.end(),
                        [](QChar c) { return c == QLatin1Char('\t') || breaksPlainLine(c); });
}

// One line cut at its blanks; `restFrom` words are taken singly and the remainder of the
// line, blanks and all, is the last one (a name or a FEN).
class Words {
public:
    Words(const QByteArray& body, qsizetype single) {
        qsizetype at = 0;
        while (m_words.size() < single) {
            const qsizetype blank = body.indexOf(' ', at);
            if (blank < 0) {
                m_words.push_back(body.mid(at));
                return;
            }
            m_words.push_back(body.mid(at, blank - at));
            at = blank + 1;
        }
        m_words.push_back(body.mid(at));
    }
    qsizetype Count() const { return m_words.size(); }
    const QByteArray& operator[](qsizetype i) const { return m_words[i]; }
    bool AnyEmpty() const {
        for (const QByteArray& word : m_words) {
            if (word.isEmpty())
                return true;
        }
        return false;
    }

private:
    QList<QByteArray> m_words;
};

ExtendedReading refused(const char* why) {
    return {std::nullopt, QString::fromLatin1(why)};
}

// How many words follow the message's own word, whether the last is a rest of line, and
// whether the last may be left out.
struct Shape {
    int words;
    bool restOfLine;
    bool lastOptional = false;
};

Shape shapeOf(ExtendedKind kind) {
    switch (kind) {
    case ExtendedKind::Hello:
        return {2, true};
    case ExtendedKind::Terms:
        return {3, false};
    case ExtendedKind::Move:
        return {4, true};
    case ExtendedKind::Resume:
        return {3, false, true};
    case ExtendedKind::FlagAnswer:
        return {2, false};
    case ExtendedKind::Accept:
    case ExtendedKind::Decline:
    case ExtendedKind::Draw:
    case ExtendedKind::TakeBack:
    case ExtendedKind::Ping:
    case ExtendedKind::Pong:
    case ExtendedKind::Resync:
        return {1, false};
    case ExtendedKind::Resign:
    case ExtendedKind::Abort:
    case ExtendedKind::Rematch:
    case ExtendedKind::Flag:
        return {0, false};
    }
    return {0, false};
}

// A <time> word: "-" for none when `dashAllowed`, else milliseconds within the bound.
std::optional<std::optional<qint64>> timeWord(const QByteArray& word, bool dashAllowed) {
    if (word == "-") {
        if (!dashAllowed)
            return std::nullopt;
        return std::optional<std::optional<qint64>>(std::in_place);
    }
    const std::optional<qint64> time = number(word, 0, kMaxTimeMs);
    if (!time)
        return std::nullopt;
    return std::optional<qint64>(*time);
}

std::optional<PeerAnswer> answerWord(const QByteArray& word) {
    const auto answer = std::find_if(kAnswers.begin(), kAnswers.end(),
                                     [&](const auto& entry) { return word == entry.first; });
    if (answer == kAnswers.end())
        return std::nullopt;
    return answer->second;
}

ExtendedReading readFlagAnswer(ExtendedMessage message, const Words& words) {
    const std::optional<PeerAnswer> answer = answerWord(words[1]);
    if (!answer || *answer == PeerAnswer::Offer)
        return refused("flaganswer: bad answer");
    const std::optional<std::optional<qint64>> time = timeWord(words[2], true);
    if (!time)
        return refused("flaganswer: bad remaining time");
    // Whoever accepts has no time left; a decline is made with time left, or without a clock.
    const bool fits = *answer == PeerAnswer::Accept ? *time == std::optional<qint64>(0)
                                                    : *time != std::optional<qint64>(0);
    if (!fits)
        return refused("flaganswer: the time does not fit the answer");
    message.answer = *answer;
    message.remainingMs = *time;
    return {message, {}};
}

ExtendedReading readResume(ExtendedMessage message, const Words& words) {
    const std::optional<qint64> plies = number(words[2], 0, kMaxPly);
    if (!isGameId(words[1]) || !plies)
        return refused("resume: bad game or half-move count");
    if (words.Count() == 4) {
        const std::optional<std::optional<qint64>> time = timeWord(words[3], false);
        if (!time)
            return refused("resume: bad remaining time");
        message.remainingMs = *time;
    }
    message.game = words[1];
    message.ply = static_cast<int>(*plies);
    return {message, {}};
}

ExtendedReading readMove(ExtendedMessage message, const Words& words) {
    const std::optional<qint64> ply = number(words[1], 1, kMaxPly);
    if (!ply)
        return refused("move: bad half-move number");
    const QByteArray& move = words[2];
    if ((move.size() != 4 && move.size() != 5) || SquareIndex(move.left(2).toStdString()) < 0 ||
        SquareIndex(move.mid(2, 2).toStdString()) < 0)
        return refused("move: bad squares");
    if (move.size() == 5) {
        const char letter = move[4];
        if (letter != 'q' && letter != 'r' && letter != 'b' && letter != 'n')
            return refused("move: bad promotion letter");
        message.promotionKind = QString::fromStdString(PromotionKindOfLetter(letter));
    }
    const std::optional<std::optional<qint64>> time = timeWord(words[3], true);
    if (!time)
        return refused("move: bad remaining time");
    message.remainingMs = *time;
    const QByteArray& fen = words[4];
    if (fen.size() > kMaxFenBytes || !FenRefusal(fen.toStdString()).empty())
        return refused("move: bad position");
    message.ply = static_cast<int>(*ply);
    message.from = QString::fromLatin1(move.left(2));
    message.to = QString::fromLatin1(move.mid(2, 2));
    message.fen = fen;
    return {message, {}};
}

ExtendedReading readTerms(ExtendedMessage message, const Words& words) {
    if (!isGameId(words[1]))
        return refused("terms: bad game identifier");
    if (words[2] == "white")
        message.colour = PeerColour::White;
    else if (words[2] == "black")
        message.colour = PeerColour::Black;
    else
        return refused("terms: bad colour");
    const QByteArray& control = words[3];
    if (control != "-") {
        if (control.size() > kMaxControlBytes || !ParseTimeControl(control.toStdString()).control)
            return refused("terms: bad time control");
        message.timeControl = QString::fromLatin1(control);
    }
    message.game = words[1];
    return {message, {}};
}

QByteArray timeText(const std::optional<qint64>& ms) {
    return ms ? QByteArray::number(*ms) : QByteArray("-");
}

} // namespace

bool isExtendedLine(const QByteArray& line) {
    return line.startsWith(kExtendedPrefix);
}

ExtendedReading readExtendedLine(const QByteArray& line) {
    if (!isExtendedLine(line))
        return refused("not an extended line");
    if (line.size() > kMaxLineBytes)
        return refused("line too long");
    const QByteArray body = line.mid(kPrefixBytes);
    const qsizetype blank = body.indexOf(' ');
    const QByteArray word = blank < 0 ? body : body.left(blank);
    const auto known = std::find_if(kWords.begin(), kWords.end(),
                                    [&](const auto& entry) { return word == entry.first; });
    if (known == kWords.end())
        return refused("unknown message");
    ExtendedMessage message;
    message.kind = known->second;
    const Shape shape = shapeOf(message.kind);
    const Words words(body, shape.restOfLine ? shape.words : shape.words + 1);
    const bool countFits =
        words.Count() == shape.words + 1 || (shape.lastOptional && words.Count() == shape.words);
    if (!countFits || words.AnyEmpty())
        return refused("wrong number of words");

    switch (message.kind) {
    case ExtendedKind::Hello: {
        const std::optional<qint64> version = number(words[1], 1, kMaxVersion);
        if (!version)
            return refused("hello: bad version");
        if (words[2].size() > kMaxNameBytes || !isPlainText(words[2]))
            return refused("hello: bad name");
        message.version = static_cast<int>(*version);
        message.name = QString::fromUtf8(words[2]);
        return {message, {}};
    }
    case ExtendedKind::Terms:
        return readTerms(message, words);
    case ExtendedKind::Accept:
    case ExtendedKind::Decline:
        if (!isGameId(words[1]))
            return refused("bad game identifier");
        message.game = words[1];
        return {message, {}};
    case ExtendedKind::Move:
        return readMove(message, words);
    case ExtendedKind::Draw:
    case ExtendedKind::TakeBack: {
        const std::optional<PeerAnswer> answer = answerWord(words[1]);
        if (!answer)
            return refused("bad answer");
        message.answer = *answer;
        return {message, {}};
    }
    case ExtendedKind::FlagAnswer:
        return readFlagAnswer(message, words);
    case ExtendedKind::Ping:
    case ExtendedKind::Pong: {
        const std::optional<qint64> token = number(words[1], 0, kMaxToken);
        if (!token)
            return refused("bad token");
        message.token = static_cast<quint32>(*token);
        return {message, {}};
    }
    case ExtendedKind::Resync: {
        const std::optional<qint64> ply = number(words[1], 1, kMaxPly);
        if (!ply)
            return refused("resync: bad half-move number");
        message.ply = static_cast<int>(*ply);
        return {message, {}};
    }
    case ExtendedKind::Resume:
        return readResume(message, words);
    case ExtendedKind::Resign:
    case ExtendedKind::Abort:
    case ExtendedKind::Rematch:
    case ExtendedKind::Flag:
        return {message, {}};
    }
    return refused("unknown message");
}

QByteArray extendedLine(const ExtendedMessage& message) {
    const auto word = std::find_if(kWords.begin(), kWords.end(),
                                   [&](const auto& entry) { return entry.second == message.kind; });
    QByteArray line = QByteArray(kExtendedPrefix) + word->first;
    auto add = [&line](const QByteArray& text) { line += ' ' + text; };
    switch (message.kind) {
    case ExtendedKind::Hello:
        add(QByteArray::number(message.version));
        add(message.name.toUtf8());
        break;
    case ExtendedKind::Terms:
        add(message.game);
        add(message.colour == PeerColour::White ? "white" : "black");
        add(message.timeControl.isEmpty() ? QByteArray("-") : message.timeControl.toLatin1());
        break;
    case ExtendedKind::Accept:
    case ExtendedKind::Decline:
        add(message.game);
        break;
    case ExtendedKind::Move: {
        add(QByteArray::number(message.ply));
        QByteArray move = (message.from + message.to).toLatin1();
        if (!message.promotionKind.isEmpty())
            move += static_cast<char>(std::tolower(
                static_cast<unsigned char>(KindLetter(message.promotionKind.toStdString()))));
        add(move);
        add(timeText(message.remainingMs));
        add(message.fen);
        break;
    }
    case ExtendedKind::Draw:
    case ExtendedKind::TakeBack:
    case ExtendedKind::FlagAnswer:
        for (const auto& [text, answer] : kAnswers) {
            if (answer == message.answer)
                add(text);
        }
        if (message.kind == ExtendedKind::FlagAnswer)
            add(timeText(message.remainingMs));
        break;
    case ExtendedKind::Ping:
    case ExtendedKind::Pong:
        add(QByteArray::number(message.token));
        break;
    case ExtendedKind::Resync:
        add(QByteArray::number(message.ply));
        break;
    case ExtendedKind::Resume:
        add(message.game);
        add(QByteArray::number(message.ply));
        if (message.remainingMs)
            add(QByteArray::number(*message.remainingMs));
        break;
    case ExtendedKind::Resign:
    case ExtendedKind::Abort:
    case ExtendedKind::Rematch:
    case ExtendedKind::Flag:
        break;
    }
    return line;
}

ExtendedMessage plainMessage(ExtendedKind kind, PeerAnswer answer) {
    ExtendedMessage message;
    message.kind = kind;
    message.answer = answer;
    return message;
}
