#include "app/PgnFile.h"

#include "app/RegularFile.h"

#include <QFileInfo>

#include <new>

PgnFile::Status PgnFile::Open(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return Status::Missing;
    if (info.isFile() && info.size() > kMaxPgnFileBytes)
        return Status::TooLarge;
    QFile file;
    if (!openRegularFile(path, kMaxPgnFileBytes, file))
        return Status::Unreadable;
    // Read, not mapped: a mapped file that another program cuts short would kill the
    // program with SIGBUS at the first page past its new end. A file cut short while it is
    // read gives the part that is left.
    const qint64 size = file.size();
    try {
        m_buffer.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        file.close();
        return Status::TooLarge;
    }
    qint64 done = 0;
    while (done < size) {
        const qint64 got = file.read(m_buffer.data() + done, size - done);
        if (got < 0) {
            file.close();
            m_buffer.clear();
            return Status::Unreadable;
        }
        if (got == 0)
            break;
        done += got;
    }
    file.close();
    m_buffer.resize(static_cast<size_t>(done));
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
