#include "app/GameFile.h"

#include "app/AtomicWrite.h"
#include "app/RegularFile.h"
#include "game/Square.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr std::string_view kCaptureLetters = "pnbrq";
constexpr std::string_view kPromotionLetters = "QRBN";

bool isOneOf(char c, std::string_view set) {
    return set.find(c) != std::string_view::npos;
}

bool isCastlingMove(const std::string& squares, char marker) {
    if (marker == 'c')
        return squares == "e1g1" || squares == "e8g8";
    return squares == "e1c1" || squares == "e8c8";
}

// Reads the whole of `path` into `bytes` when it is a regular file of at most
// kMaxGameFileBytes.
bool readRegularFile(const QString& path, QByteArray& bytes) {
    QFile file;
    if (!openRegularFile(path, kMaxGameFileBytes, file))
        return false;
    // The file may have grown since: one byte more than allowed tells.
    bytes = file.read(kMaxGameFileBytes + 1);
    return file.error() == QFileDevice::NoError && bytes.size() <= kMaxGameFileBytes;
}

// A refused line as the message quotes it: at most kMaxQuotedCharacters, the last of
// them an ellipsis when the line is longer.
QString quotedLine(const std::string& line) {
    const QString text = QString::fromLatin1(line);
    if (text.size() <= kMaxQuotedCharacters)
        return text;
    return text.left(kMaxQuotedCharacters - 1) + QChar(0x2026);
}

} // namespace

bool isMoveRecordLine(const std::string& line) {
    if (line.size() < 4 || line.size() > 6)
        return false;
    const int from = SquareIndex(std::string_view(line).substr(0, 2));
    const int to = SquareIndex(std::string_view(line).substr(2, 2));
    if (from < 0 || to < 0 || from == to)
        return false;
    const std::string squares = line.substr(0, 4);
    const std::string markers = line.substr(4);
    const int toRank = RankOf(to);
    const bool lastRank = toRank == 1 || toRank == 8;
    if (markers.empty())
        return true;
    if (markers.size() == 2)
        return isOneOf(markers[0], kCaptureLetters) && isOneOf(markers[1], kPromotionLetters) &&
               lastRank;
    const char marker = markers[0];
    if (marker == 'c' || marker == 'C')
        return isCastlingMove(squares, marker);
    if (marker == 'E')
        return toRank == 3 || toRank == 6;
    if (isOneOf(marker, kPromotionLetters))
        return lastRank;
    return isOneOf(marker, kCaptureLetters);
}

GameFileContents readGameFile(const QString& path) {
    GameFileContents contents;
    if (!QFileInfo::exists(path))
        return contents;
    contents.status = GameFileContents::Status::Unreadable;
    QByteArray bytes;
    if (!readRegularFile(path, bytes))
        return contents;
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);

    // Empty lines are only counted until a move follows them, so that a file of line
    // ends costs no more than its size.
    std::vector<std::string> lines;
    int lineNumber = 0;
    int emptyLines = 0;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        const std::string line(bytes.constData() + start, static_cast<size_t>(end - start));
        if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n')
            ++end;
        start = end + 1;
        ++lineNumber;
        if (line.empty()) {
            ++emptyLines;
            continue;
        }
        if (emptyLines > 0 || !isMoveRecordLine(line)) {
            contents.status = GameFileContents::Status::Invalid;
            contents.badLineNumber = lineNumber - emptyLines;
            contents.badLineText = emptyLines > 0 ? QString() : quotedLine(line);
            return contents;
        }
        lines.push_back(line);
    }
    contents.status = GameFileContents::Status::Loaded;
    contents.lines = std::move(lines);
    return contents;
}

QByteArray gameFileText(const std::vector<std::string>& lines) {
    QByteArray text;
    for (const std::string& line : lines) {
        text.append(line.data(), static_cast<qsizetype>(line.size()));
        text.append("\r\n");
    }
    return text;
}

bool writeGameFile(const QString& path, const std::vector<std::string>& lines) {
    return writeFileAtomically(path, gameFileText(lines));
}
