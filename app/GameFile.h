#pragma once

#include <QString>

#include <string>
#include <vector>

// Game files: the move record of one game, one line per half-move, each line followed by
// CR LF. The reader refuses a file that holds a line which is not a move record line, so
// that nothing unchecked reaches the replay.

// Whether `line` is a move record line: two square names, then no marker, one of "E",
// "c", "C", a capture letter ("p", "n", "b", "r", "q") or a promotion letter ("Q", "R",
// "B", "N"), or a capture letter followed by a promotion letter. Castling markers belong
// to the king's two-square moves, en passant to the third or sixth rank and promotions to
// the last rank.
bool isMoveRecordLine(const std::string& line);

// The largest game file that is read; a longer game than any played fits many times.
constexpr qint64 kMaxGameFileBytes = 4 * 1024 * 1024;
// The longest quotation of a refused line.
constexpr int kMaxQuotedCharacters = 80;

struct GameFileContents {
    enum class Status {
        Loaded,     // `lines` holds the moves
        Missing,    // no file of that name: a new game, no message
        Unreadable, // the name exists but is no regular file, is over kMaxGameFileBytes,
                    // or cannot be read
        Invalid,    // a line is not a move record line: see badLine*
    };
    Status status = Status::Missing;
    std::vector<std::string> lines;
    int badLineNumber = 0; // counted from 1
    QString badLineText;   // at most kMaxQuotedCharacters, cut with an ellipsis
};

// Reads a game file. Lines end at CR LF, LF or CR; reading stops at the first zero byte;
// empty lines at the end are ignored, an empty line before a move is a bad line.
GameFileContents readGameFile(const QString& path);

// The file text of a move record: every line followed by CR LF.
QByteArray gameFileText(const std::vector<std::string>& lines);

// Writes the move record to `path` through a temporary file in the same folder that
// replaces the target in one step. Returns false, with any old file left as it was, when
// the file cannot be written.
bool writeGameFile(const QString& path, const std::vector<std::string>& lines);
