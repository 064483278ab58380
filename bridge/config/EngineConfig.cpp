#include "EngineConfig.h"

#include "AsciiCase.h"

namespace ferrule {

namespace {

constexpr std::size_t kMaxCommandLine = 509;
constexpr std::size_t kMaxName = 125;

std::string limited(std::string text, std::size_t length) {
    if (text.size() > length) {
        text.resize(length);
    }
    return text;
}

} // namespace

Protocol readProtocol(std::string_view value) {
    const std::string protocol = lowerAscii(value);
    return protocol == "uci"    ? Protocol::kUci
           : protocol == "auto" ? Protocol::kAuto
                                : Protocol::kXboard;
}

bool isFlagSet(std::string_view value) {
    return lowerAscii(value).find("true") != std::string::npos;
}

EngineConfig EngineConfig::read(const InitFile& file) {
    EngineConfig config;
    config.analyzeMode = isFlagSet(file.value("Support", "AnalyzeMode"));
    config.ponderMode = isFlagSet(file.value("Support", "PonderMode"));
    config.castleAndEP = isFlagSet(file.value("Support", "CastleAndEP"));
    config.evaluationWhite = isFlagSet(file.value("Support", "EvaluationWhite"));
    config.commandLine = limited(file.value("Parameter", "CommandLine"), kMaxCommandLine);
    config.author = limited(file.value("Parameter", "Author"), kMaxName);
    config.engine = limited(file.value("Parameter", "Engine"), kMaxName);
    config.debug = isFlagSet(file.value("Parameter", "Debug"));
    config.logfile = isFlagSet(file.value("Parameter", "Logfile"));
    config.protocol = readProtocol(file.value("Parameter", "Protocol"));
    config.startNudge = isFlagSet(file.value("Parameter", "StartNudge"));
    config.options = file.section("Options");
    return config;
}

std::vector<std::string> splitCommandLine(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

} // namespace ferrule
