#include "app/PgnFile.h"

#include "app/RegularFile.h"

#include <QFileInfo>

PgnFile::Status PgnFile::Open(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return Status::Missing;
    if (info.isFile() && info.size() > kMaxPgnFileBytes)
        return Status::TooLarge;
    if (!openRegularFile(path, kMaxPgnFileBytes, m_file))
        return Status::Unreadable;
    // Mapped, not read: a large database costs address space, and only the pages that the
    // index walks through are read.
    const qint64 size = m_file.size();
    if (size == 0)
        return Status::Opened;
    const uchar* data = m_file.map(0, size);
    if (!data)
        return Status::Unreadable;
    m_text = std::string_view(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
    return Status::Opened;
}

namespace {

class GameCounter : public PgnVisitor {
public:
    int games = 0;
    void BeginGame(std::size_t, int) override {}
    void Tag(std::string_view, std::string_view) override {}
    bool Move(std::string_view, int) override { return false; }
    void Comment(std::string_view) override {}
    void Nag(int) override {}
    bool EndGame(std::string_view, std::size_t) override { return ++games < 2; }
};

} // namespace

bool hasSeveralGames(std::string_view text) {
    GameCounter counter;
    ReadPgn(text, counter);
    return counter.games > 1;
}

bool isPgnFileName(const QString& name) {
    return name.endsWith(QStringLiteral(".pgn"), Qt::CaseInsensitive);
}
