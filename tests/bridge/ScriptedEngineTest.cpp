#include "TestPositions.h"
#include "driver/EngineDriver.h"
#include "driver/RecordLayout.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef FERRULE_SCRIPTED_ENGINE
#error "FERRULE_SCRIPTED_ENGINE names the stand-in engine script"
#endif

namespace {

using namespace ferrule;
namespace fs = std::filesystem;
using Commands = std::vector<std::string>;

// Lays out <tmp>/engines/scripted.eng beside <tmp>/engines/scripted/scripted, runs one
// search through the real driver and returns every command the engine received.
Commands runSearch(const SearchRequest& request, int& mainLineCount) {
    char pattern[] = "/tmp/ferrule-scripted-XXXXXX";
    const fs::path root = mkdtemp(pattern);
    const fs::path folder = root / "engines" / "scripted";
    fs::create_directories(folder);
    fs::create_symlink(FERRULE_SCRIPTED_ENGINE, folder / "scripted");
    const auto paths = derivePaths((root / "engines" / "scripted.eng").string());

    std::array<unsigned char, report::kSize> record{};
    SearchReports reports;
    reports.attach(record.data(), 0);
    {
        EngineDriver driver(reports);
        std::string error;
        EXPECT_TRUE(driver.start(*paths, EngineConfig{}, error)) << error;
        driver.search(request);
        driver.shutdown();
    }
    mainLineCount = getLe16(record.data(), report::kMainLineCount);
    Commands commands;
    std::ifstream log(folder / "commands.log");
    for (std::string line; std::getline(log, line);) {
        commands.push_back(line);
    }
    fs::remove_all(root);
    return commands;
}

SearchRequest timedRequest() {
    SearchRequest request;
    request.moves = {ferrule_test::move("e2e4")};
    request.mode = 2;
    request.remaining = 300;
    request.increment = 2;
    return request;
}

TEST(ScriptedEngine, StartPositionCommandSequence) {
    int count = 0;
    EXPECT_EQ(runSearch(timedRequest(), count),
              (Commands{"zelta", "xboard", "new", "level 0 5:0 2", "time 30000", "hard", "easy",
                        "force", "e2e4", "post", "black", "go", "new", "quit"}));
    EXPECT_EQ(count, 1);
}

TEST(ScriptedEngine, BoardCommandSequence) {
    SearchRequest request = timedRequest();
    request.fromStart = false;
    const Position start = Position::initial();
    std::copy(start.squares.begin(), start.squares.end(), request.board.begin());
    int count = 0;
    const Commands commands = runSearch(request, count);
    ASSERT_EQ(commands.size(), 5u + 2u + 16u + 1u + 16u + 1u + 1u + 9u);
    EXPECT_EQ(Commands(commands.begin() + 5, commands.begin() + 8), (Commands{"edit", "#", "Ra1"}));
    EXPECT_EQ(commands[5 + 2 + 16], "c");
    EXPECT_EQ(commands[5 + 2 + 16 + 1], "Pa7");
    EXPECT_EQ(Commands(commands.begin() + 40, commands.end()),
              (Commands{"c", ".", "hard", "easy", "force", "e2e4", "post", "black", "go", "new",
                        "quit"}));
    EXPECT_EQ(count, 1);
}

} // namespace
