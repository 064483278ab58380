// Game files from anywhere (a download, a damaged disk) into the game-file reader.
// A file it loads holds only move record lines, and writing those lines and reading
// them again gives the same game.

#include "app/GameFile.h"

#include <QTemporaryFile>

#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

GameFileContents ReadBytes(const QByteArray& bytes) {
    QTemporaryFile file;
    Require(file.open());
    file.write(bytes);
    file.close();
    return readGameFile(file.fileName());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const GameFileContents contents = ReadBytes(bytes);
    if (contents.status == GameFileContents::Status::Invalid) {
        Require(contents.badLineNumber >= 1);
        Require(contents.badLineText.size() <= kMaxQuotedCharacters);
        return 0;
    }
    Require(contents.status == GameFileContents::Status::Loaded);
    for (const std::string& line : contents.lines) {
        Require(isMoveRecordLine(line));
    }
    const GameFileContents again = ReadBytes(gameFileText(contents.lines));
    Require(again.status == GameFileContents::Status::Loaded && again.lines == contents.lines);
    return 0;
}
