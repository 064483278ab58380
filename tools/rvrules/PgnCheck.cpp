#include "PgnCheck.h"

#include "game/PgnGame.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
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
    const auto size = static_cast<std::size_t>(status.st_size);
    void* mapped =
        size > 0 ? ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0) : nullptr;
    ::close(descriptor);
    if (mapped == MAP_FAILED) {
        errors << "rvrules: cannot read " << path << ": " << std::strerror(errno) << "\n";
        return 1;
    }
    const PgnCheckSummary summary =
        CheckPgnText(std::string_view(static_cast<const char*>(mapped), size), out);
    if (mapped) {
        ::munmap(mapped, size);
    }
    out << "games " << summary.games << " plies " << summary.plies << " refused " << summary.refused
        << "\n";
    return 0;
}
