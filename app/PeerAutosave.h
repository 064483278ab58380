#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QLockFile;

// What an unfinished game with a peer needs to go on after its program was ended: who
// plays which colour against whom, the moves and the clocks.
struct SavedPeerGame {
    QByteArray game;               // the game's identifier, as the link names it
    QString host;                  // the address this side connected to; empty when it waited
    std::uint8_t own = 1;          // the colour this side plays: 1 White, 0 Black
    QString opponent;              // the peer's name
    QString timeControl;           // as the clock reads it; empty for none
    std::vector<QByteArray> moves; // the half-moves as the link sends them: "e2e4", "e7e8q"
    std::optional<qint64> whiteMs; // the clocks' times left; none without a clock
    std::optional<qint64> blackMs;

    bool operator==(const SavedPeerGame&) const = default;
};

// The file of one saved game, a few lines of text, each a key, one blank and its value:
//
//   rookvale-peer-game 1
//   game 0123456789abcdef
//   host 192.168.1.20           (empty value on the waiting side)
//   colour white                ("white" or "black")
//   opponent Bo                 (1 to 64 bytes of UTF-8 without control characters)
//   control 5+3                 (empty value for no clock)
//   clock 298000 301500         (White's and Black's milliseconds, or "-")
//   moves e2e4 e7e5 g1f3        (blank-separated, possibly none)
//
// The keys come in this order, each once. Anything else makes the file unreadable.
QByteArray savedPeerGameText(const SavedPeerGame& game);
// The game of a file's text, or none with the reason in `error`.
std::optional<SavedPeerGame> readSavedPeerGame(const QByteArray& text, QString& error);

// The saved games of one program, one file each in a folder of the program's settings. A
// game's file is written whole after every change, through a temporary file, so that a
// program killed at any moment leaves the last complete state. While a program has a game
// open it holds the game's lock, so that a second copy of the program that shares the
// folder does not reopen it; a killed program's lock is taken over.
class PeerAutosave {
public:
    explicit PeerAutosave(const QString& folder);
    ~PeerAutosave();
    PeerAutosave(const PeerAutosave&) = delete;
    PeerAutosave& operator=(const PeerAutosave&) = delete;

    const QString& Folder() const { return m_folder; }
    // Writes the game's file and keeps it locked; false when it cannot be written or
    // another running copy holds it.
    bool Save(const SavedPeerGame& game);
    // The game is over or given up: its file and lock go.
    void Remove(const QByteArray& game, std::uint8_t own);
    // A held file whose game cannot go on: renamed with the ending ".unreadable", so that
    // it is kept for whoever looks but not read again, and let go.
    void SetAside(const QByteArray& game, std::uint8_t own);

    struct Found {
        std::vector<SavedPeerGame> games; // readable, not held by another copy; now locked
        QStringList problems;             // one line for each file that could not be read
    };
    // The saved games no running copy holds, each now held by this one. A file that
    // cannot be read is set aside as SetAside does.
    Found TakeSavedGames();

    // The name of a game's file within the folder.
    static QString FileName(const QByteArray& game, std::uint8_t own);

private:
    bool lock(const QString& fileName);
    void release(const QString& fileName);
    void setAside(const QString& fileName);

    struct Held {
        QString fileName;
        std::unique_ptr<QLockFile> lock;
    };
    QString m_folder;
    std::vector<Held> m_held;
};
