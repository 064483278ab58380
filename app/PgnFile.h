#pragma once

#include "game/PgnGame.h"

#include <QString>

#include <string>
#include <string_view>

// The largest PGN file that is opened: a database of some million games fits.
constexpr qint64 kMaxPgnFileBytes = qint64(2) << 30;

// A PGN file read into memory, with the same care as a game file: only a regular file of
// at most kMaxPgnFileBytes. The text stays valid while the object lives and is not opened
// again.
class PgnFile {
public:
    enum class Status { Opened, Missing, Unreadable, TooLarge };

    Status Open(const QString& path);
    std::string_view Text() const { return m_buffer; }

private:
    std::string m_buffer;
};

// Whether the text holds more than one game; reading stops at the second.
bool hasSeveralGames(std::string_view text);

// Whether a file name is a PGN file's: ends in ".pgn" in any case.
bool isPgnFileName(const QString& name);
