#include "PgnCheck.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const std::string kFirstGame = "[Event \"one\"]\n\n1. e4 e5 2. Nf3 1-0\n\n";
const std::string kSecondGame = "[Event \"two\"]\n\n1. d4 d5 0-1\n";

std::string TempPath() {
    char name[] = "/tmp/rookvale-pgncheck-XXXXXX";
    const int descriptor = ::mkstemp(name);
    EXPECT_GE(descriptor, 0);
    ::close(descriptor);
    return name;
}

} // namespace

// Another program may cut the file short while it is read; the part that is left is read
// and checked, and nothing past its end is touched.
TEST(PgnCheck, AFileCutShortAfterItsSizeWasTakenReadsWhatIsLeft) {
    const std::string path = TempPath();
    std::ofstream(path, std::ios::binary) << kFirstGame << kSecondGame;
    const std::size_t fullSize = kFirstGame.size() + kSecondGame.size();
    const int descriptor = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(descriptor, 0);
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(kFirstGame.size())), 0);

    std::string text;
    EXPECT_TRUE(ReadOpenedFile(descriptor, fullSize, text));
    ::close(descriptor);
    ::unlink(path.c_str());
    EXPECT_EQ(text, kFirstGame);
    std::ostringstream errors;
    const PgnCheckSummary summary = CheckPgnText(text, errors);
    EXPECT_EQ(summary.games, 1u);
    EXPECT_EQ(summary.plies, 3u);
    EXPECT_EQ(summary.refused, 0u);
}

TEST(PgnCheck, ReadsRegularFilesOnly) {
    const std::string path = TempPath();
    std::ofstream(path, std::ios::binary) << kFirstGame << kSecondGame;
    struct Row {
        std::string path;
        int code;
        const char* out;
    };
    const Row rows[] = {
        {path, 0, "games 2 plies 5 refused 0\n"},
        {"/tmp", 1, ""},
        {"/nonexistent/x.pgn", 1, ""},
    };
    for (const Row& row : rows) {
        std::ostringstream out;
        std::ostringstream errors;
        EXPECT_EQ(CheckPgnFile(row.path, out, errors), row.code) << row.path;
        EXPECT_EQ(out.str(), row.out) << row.path;
        EXPECT_EQ(errors.str().empty(), row.code == 0) << row.path;
    }
    ::unlink(path.c_str());
}
