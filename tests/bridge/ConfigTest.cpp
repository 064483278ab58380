#include "config/EngineConfig.h"
#include "config/InstallPaths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace ferrule;

TEST(InstallPaths, KeepTheirCaseAndFindEnginesInAnyCase) {
    const auto paths = derivePaths("/Host/Engines/Knight.ENG");
    ASSERT_TRUE(paths);
    EXPECT_EQ(paths->pluginName, "Knight.ENG");
    EXPECT_EQ(paths->executable(), "/Host/Engines/Knight/Knight");
    EXPECT_EQ(paths->configuration(), "/Host/Engines/Knight/Knight.init");
    EXPECT_EQ(paths->logo(), "/Host/Engines/Knight/Knight.bmp");
    EXPECT_EQ(paths->logFile(), "/Host/Engines/Knight/logfile.text");
    EXPECT_EQ(paths->engineName(), "Knight");
    EXPECT_EQ(derivePaths("/a/engines/b/engines/x.eng")->engineFolder, "/a/engines/b/engines/x/");
}

TEST(InstallPaths, RefuseWhatCannotWork) {
    EXPECT_FALSE(derivePaths("/host/plugins/knight.eng"));
    EXPECT_FALSE(derivePaths("/host/engines/.eng"));
    EXPECT_FALSE(derivePaths("/host/engines/sub/knight.eng"));
    // The configuration path repeats the name: /host/engines/NAME/NAME.init.
    EXPECT_FALSE(derivePaths("/host/engines/" + std::string(250, 'k') + ".eng"));
    EXPECT_TRUE(derivePaths("/host/engines/" + std::string(240, 'k') + ".eng"));
}

TEST(Flags, TrueAnywhereInAnyCase) {
    struct Case {
        const char* value;
        bool set;
    };
    const Case cases[] = {{"true", true}, {"TRUE", true}, {"untrue", true}, {"yes", false},
                          {"", false},    {"1", false},   {"tru e", false}};
    for (const Case& c : cases) {
        EXPECT_EQ(isFlagSet(c.value), c.set) << c.value;
    }
}

TEST(EngineConfig, ReadsKeysIgnoringCaseAndLimitsTexts) {
    const std::string text = "; comment\r\n[Support]\r\nponderMode = TRUE\r\nAnalyzeMode=no\r\n"
                             "[parameter]\nCommandLine=\"-noini -ec stockfish\"\nEngine=" +
                             std::string(200, 'e') +
                             "\nAuthor=Someone\nLogfile=untrue\nstartnudge=True\n";
    const EngineConfig config = EngineConfig::read(InitFile::parse(text));
    EXPECT_TRUE(config.ponderMode);
    EXPECT_FALSE(config.analyzeMode);
    EXPECT_FALSE(config.castleAndEP);
    EXPECT_EQ(config.commandLine, "-noini -ec stockfish");
    EXPECT_EQ(config.engine.size(), 125u);
    EXPECT_EQ(config.author, "Someone");
    EXPECT_TRUE(config.logfile);
    EXPECT_FALSE(config.debug);
    EXPECT_TRUE(config.startNudge);
    const EngineConfig missing = EngineConfig::read(InitFile::load("/nonexistent/x.init"));
    EXPECT_FALSE(missing.ponderMode);
    EXPECT_TRUE(missing.author.empty());
    EXPECT_FALSE(missing.startNudge);
}

TEST(CommandLine, SplitsAtBlanksOutsideQuotes) {
    EXPECT_EQ(splitCommandLine("  -a  \"b c\" d"), (std::vector<std::string>{"-a", "b c", "d"}));
    EXPECT_TRUE(splitCommandLine("   ").empty());
}

} // namespace
