#include "app/GameFile.h"

#include "app/AtomicWrite.h"
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        contents.status = GameFileContents::Status::Unreadable;
        return contents;
    }
    QByteArray bytes = file.readAll();
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);

    std::vector<std::string> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        lines.emplace_back(bytes.constData() + start, static_cast<size_t>(end - start));
        if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();

    for (size_t i = 0; i < lines.size(); ++i) {
        if (!isMoveRecordLine(lines[i])) {
            contents.status = GameFileContents::Status::Invalid;
            contents.badLineNumber = static_cast<int>(i) + 1;
            contents.badLineText = QString::fromLatin1(lines[i]);
            return contents;
        }
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
