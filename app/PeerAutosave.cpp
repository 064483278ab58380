#include "app/PeerAutosave.h"

#include "app/AtomicWrite.h"
#include "game/TimeControl.h"
#include "peer/PeerExtendedProtocol.h"

#include <QDir>
#include <QFile>
#include <QLockFile>

#include <algorithm>

namespace {

const QByteArray kMagic = QByteArrayLiteral("rookvale-peer-game 1");
constexpr char kSuffix[] = ".rvpeer";
const QString kUnreadable = QStringLiteral(".unreadable");
// The longest file a game of kMaxPly half-moves with every field at its bound can make.
constexpr qint64 kMaxFileBytes = 128 * 1024;
constexpr qsizetype kMaxHostBytes = 255;
const char* const kKeys[] = {"game", "host", "colour", "opponent", "control", "clock", "moves"};

bool isLowerHex(const QByteArray& word) {
    return word.size() == kGameIdDigits && std::all_of(word.begin(), word.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

// Valid UTF-8 without control characters; empty allowed.
bool isPlainText(const QByteArray& bytes) {
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() != bytes)
        return false;
    return std::none_of(text.begin(), text.end(),
                        [](QChar c) { return c.category() == QChar::Other_Control; });
}

bool isMove(const QByteArray& word) {
    auto file = [](char c) { return c >= 'a' && c <= 'h'; };
    auto rank = [](char c) { return c >= '1' && c <= '8'; };
    if (word.size() != 4 && word.size() != 5)
        return false;
    if (!file(word[0]) || !rank(word[1]) || !file(word[2]) || !rank(word[3]))
        return false;
    return word.size() == 4 || QByteArrayView("qrbn").contains(word[4]);
}

std::optional<qint64> milliseconds(const QByteArray& word) {
    if (word.isEmpty() || word.size() > 12 ||
        !std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const qint64 value = word.toLongLong();
    if (value > kMaxTimeMs)
        return std::nullopt;
    return value;
}

std::optional<SavedPeerGame> refuse(QString& error, const QString& why) {
    error = why;
    return std::nullopt;
}

} // namespace

QByteArray savedPeerGameText(const SavedPeerGame& game) {
    QByteArray clock = "-";
    if (game.whiteMs && game.blackMs)
        clock = QByteArray::number(*game.whiteMs) + ' ' + QByteArray::number(*game.blackMs);
    QByteArray text = kMagic + '\n';
    text += "game " + game.game + '\n';
    text += "host " + game.host.toUtf8() + '\n';
    text += QByteArray("colour ") + (game.own ? "white" : "black") + '\n';
    text += "opponent " + game.opponent.toUtf8() + '\n';
    text += "control " + game.timeControl.toUtf8() + '\n';
    text += "clock " + clock + '\n';
    text += "moves " + QList<QByteArray>(game.moves.begin(), game.moves.end()).join(' ') + '\n';
    return text;
}

std::optional<SavedPeerGame> readSavedPeerGame(const QByteArray& text, QString& error) {
    if (text.size() > kMaxFileBytes)
        return refuse(error, QStringLiteral("the file is too long"));
    if (!text.endsWith('\n'))
        return refuse(error, QStringLiteral("the file is cut short"));
    const QList<QByteArray> lines = text.chopped(1).split('\n');
    if (lines.first() != kMagic)
        return refuse(error, QStringLiteral("it is not a saved peer game of this version"));
    if (lines.size() != 1 + static_cast<qsizetype>(std::size(kKeys)))
        return refuse(
            error,
            QStringLiteral("it has %1 lines, not %2").arg(lines.size()).arg(1 + std::size(kKeys)));
    QByteArray values[std::size(kKeys)];
    for (std::size_t i = 0; i < std::size(kKeys); ++i) {
        const QByteArray& line = lines[static_cast<qsizetype>(i) + 1];
        const QByteArray key = QByteArray(kKeys[i]) + ' ';
        if (!line.startsWith(key))
            return refuse(error, QStringLiteral("line %1 is not \"%2\"").arg(i + 2).arg(kKeys[i]));
        values[i] = line.mid(key.size());
    }
    const auto& [id, host, colour, opponent, control, clock, moves] = values;

    SavedPeerGame game;
    if (!isLowerHex(id))
        return refuse(error, QStringLiteral("the game's identifier is malformed"));
    game.game = id;
    if (host.size() > kMaxHostBytes || !isPlainText(host) || host.contains(' '))
        return refuse(error, QStringLiteral("the address is malformed"));
    game.host = QString::fromUtf8(host);
    if (colour != "white" && colour != "black")
        return refuse(error, QStringLiteral("the colour is neither white nor black"));
    game.own = colour == "white" ? 1 : 0;
    if (opponent.isEmpty() || opponent.size() > kMaxNameBytes || !isPlainText(opponent))
        return refuse(error, QStringLiteral("the opponent's name is malformed"));
    game.opponent = QString::fromUtf8(opponent);
    if (!control.isEmpty() &&
        (control.size() > kMaxControlBytes || !ParseTimeControl(control.toStdString()).control))
        return refuse(error, QStringLiteral("the time control does not read"));
    game.timeControl = QString::fromLatin1(control);
    if (clock != "-") {
        const QList<QByteArray> times = clock.split(' ');
        if (times.size() != 2 || !milliseconds(times[0]) || !milliseconds(times[1]))
            return refuse(error, QStringLiteral("the clock's times are malformed"));
        game.whiteMs = milliseconds(times[0]);
        game.blackMs = milliseconds(times[1]);
    }
    if (game.timeControl.isEmpty() != !game.whiteMs)
        return refuse(error, QStringLiteral("the clock's times do not fit the time control"));
    if (!moves.isEmpty()) {
        for (const QByteArray& move : moves.split(' ')) {
            if (!isMove(move))
                return refuse(error, QStringLiteral("a move is malformed"));
            game.moves.push_back(move);
        }
    }
    if (static_cast<int>(game.moves.size()) > kMaxPly)
        return refuse(error, QStringLiteral("it has too many moves"));
    return game;
}

PeerAutosave::PeerAutosave(const QString& folder) : m_folder(folder) {}

PeerAutosave::~PeerAutosave() = default;

QString PeerAutosave::FileName(const QByteArray& game, std::uint8_t own) {
    // Both sides of one game may share a folder (two copies on one computer).
    return QString::fromLatin1(game) + (own ? QStringLiteral("-white") : QStringLiteral("-black")) +
           QLatin1String(kSuffix);
}

bool PeerAutosave::lock(const QString& fileName) {
    const bool held = std::any_of(m_held.begin(), m_held.end(),
                                  [&](const Held& each) { return each.fileName == fileName; });
    if (held)
        return true;
    auto lock = std::make_unique<QLockFile>(QDir(m_folder).filePath(fileName + ".lock"));
    // Only a lock whose process is gone is stale, however old it is.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    m_held.push_back({fileName, std::move(lock)});
    return true;
}

bool PeerAutosave::Save(const SavedPeerGame& game) {
    const QString fileName = FileName(game.game, game.own);
    if (!QDir().mkpath(m_folder) || !lock(fileName))
        return false;
    return writeFileAtomically(QDir(m_folder).filePath(fileName), savedPeerGameText(game));
}

void PeerAutosave::release(const QString& fileName) {
    std::erase_if(m_held, [&](const Held& each) { return each.fileName == fileName; });
}

void PeerAutosave::Remove(const QByteArray& game, std::uint8_t own) {
    const QString fileName = FileName(game, own);
    const bool held = std::any_of(m_held.begin(), m_held.end(),
                                  [&](const Held& each) { return each.fileName == fileName; });
    if (!held)
        return;
    QFile::remove(QDir(m_folder).filePath(fileName));
    release(fileName);
}

void PeerAutosave::setAside(const QString& fileName) {
    const QDir folder(m_folder);
    QFile::remove(folder.filePath(fileName + kUnreadable));
    QFile::rename(folder.filePath(fileName), folder.filePath(fileName + kUnreadable));
    release(fileName);
}

void PeerAutosave::SetAside(const QByteArray& game, std::uint8_t own) {
    setAside(FileName(game, own));
}

PeerAutosave::Found PeerAutosave::TakeSavedGames() {
    Found found;
    const QDir folder(m_folder);
    const QStringList names =
        folder.entryList({QStringLiteral("*") + QLatin1String(kSuffix)}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        if (!lock(name))
            continue;
        QFile file(folder.filePath(name));
        QString error;
        std::optional<SavedPeerGame> game;
        if (file.size() > kMaxFileBytes)
            error = QStringLiteral("the file is too long");
        else if (!file.open(QIODevice::ReadOnly))
            error = file.errorString();
        else
            game = readSavedPeerGame(file.readAll(), error);
        file.close();
        if (game && FileName(game->game, game->own) != name) {
            game.reset();
            error = QStringLiteral("its name does not fit the game inside");
        }
        if (game) {
            found.games.push_back(std::move(*game));
            continue;
        }
        found.problems << QStringLiteral("%1: %2").arg(folder.filePath(name), error);
        setAside(name);
    }
    return found;
}
