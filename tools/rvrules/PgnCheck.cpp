#include "PgnCheck.h"

#include "game/PgnGame.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <ostream>

PgnCheckSummary CheckPgnText(std::string_view text, std::ostream& out) {
    PgnCheckSummary summary;
    PgnGameBuilder builder([&](PgnGame& game) {
        ++summary.games;
        summary.plies += game.moves.size();
        if (!game.error.empty()) {
            ++summary.refused;
            // The refused move counts as read; a refused FEN tag has none.
            summary.plies += game.errorText.empty() ? 0 : 1;
            out << "game " << summary.games << " line " << game.errorLine << ": " << game.error
                << "\n";
        }
        return true;
    });
    ReadPgn(text, builder);
    return summary;
}

bool ReadOpenedFile(int descriptor, std::size_t size, std::string& text) {
    text.resize(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(descriptor, text.data() + done, size - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            text.clear();
            return false;
        }
        if (got == 0) {
            break; // cut short since its size was taken: what is left is read
        }
        done += static_cast<std::size_t>(got);
    }
    text.resize(done);
    return true;
}

int CheckPgnFile(const std::string& path, std::ostream& out, std::ostream& errors) {
    // A pipe or device would be waited on or never end: only regular files are read.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status {};
    if (descriptor < 0 || ::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
        static_cast<std::uint64_t>(status.st_size) > kMaxPgnCheckBytes) {
        errors << "rvrules: cannot read " << path << ": "
               << (descriptor < 0 ? std::strerror(errno) : "not a regular file of at most 4 GiB")
               << "\n";
        if (descriptor >= 0) {
            ::close(descriptor);
        }
        return 1;
    }
    // Read, not mapped: a mapped file that another program cuts short would kill this one
    // with SIGBUS at the first page past its new end.
    std::string text;
    bool read = false;
    try {
        read = ReadOpenedFile(descriptor, static_cast<std::size_t>(status.st_size), text);
    } catch (const std::bad_alloc&) {
        errno = ENOMEM;
    }
    const int readError = errno;
    ::close(descriptor);
    if (!read) {
        errors << "rvrules: cannot read " << path << ": " << std::strerror(readError) << "\n";
        return 1;
    }
    const PgnCheckSummary summary = CheckPgnText(text, out);
    out << "games " << summary.games << " plies " << summary.plies << " refused " << summary.refused
        << "\n";
    return 0;
}
