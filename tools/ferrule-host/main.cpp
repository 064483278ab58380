// ferrule-host: a small host for Ferrule.eng that loads the plug-in as a chess host
// would, runs searches and prints every notification with the record fields it made new.

#include "HostPlatform.h"
#include "SearchCommand.h"
#include "ThreadWatch.h"
#include "core/MoveGenerator.h"
#include "core/Words.h"
#include "driver/RecordLayout.h"
#include "quill/Quill32.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace ferrule;
using Clock = std::chrono::steady_clock;

struct PluginApi {
    std::int32_t (*eng1)(void*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                         std::int32_t, std::int32_t, std::int32_t) = nullptr;
    std::int32_t (*eng2)() = nullptr;
    void (*eng3)() = nullptr;
    std::int32_t (*eng4)() = nullptr;
    std::int32_t (*eng5)() = nullptr;
    const char* (*eng6)() = nullptr;
    const char* (*eng7)() = nullptr;
    void (*eng9)(const void*) = nullptr;
    void (*eng10)() = nullptr;
    void (*eng15)() = nullptr;
    void* (*eng19)() = nullptr;
};

template <typename Function> bool bind(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(ferrule_host::librarySymbol(library, name));
    return function != nullptr;
}

// What the handler uses lives as long as the process: a plug-in's thread held in the
// handler may still be in it while this host returns from main ("unload" does not wait).
std::mutex& g_printMutex = *new std::mutex;
std::condition_variable& g_noticed = *new std::condition_variable; // under g_printMutex
std::map<int, int>& g_noticeCounts = *new std::map<int, int>;      // under g_printMutex
std::array<unsigned char, report::kSize> g_record{};
Position g_searched; // the position the running search starts from
std::atomic<bool> g_haveBest{false};
std::string& g_lastMainLine = *new std::string; // under g_printMutex
// "hold CODE MS": the handler sleeps MS milliseconds inside the next notification CODE,
// as a host does that paints or waits for a lock of its own there.
std::atomic<int> g_holdCode{0};
std::atomic<int> g_holdMs{0};

void say(const std::string& line) {
    std::lock_guard lock(g_printMutex);
    std::cout << line << std::endl;
}

std::string mainLineText(const unsigned char* record, bool& legal) {
    const int count = getLe16(record, report::kMainLineCount);
    Position position = g_searched;
    std::string text;
    legal = count > 0;
    for (int i = 0; i < count; ++i) {
        const auto move = static_cast<MoveCode>(getLe16(record, report::kMainLine + 2 * i));
        MoveList list;
        generateMoves(position, list);
        bool generated = false;
        for (const MoveCode candidate : list) {
            generated = generated || candidate == move ||
                        (movePromotion(move) == 0 && candidate == (move | (kPromoteQueen << 12)));
        }
        Position next = position;
        next.apply(move);
        legal = legal && generated && isLegal(next);
        text += (i ? " " : "") + moveText(move);
        position = next;
    }
    return text;
}

void holdIfAsked(int code) {
    int expected = code;
    if (!g_holdCode.compare_exchange_strong(expected, 0)) {
        return;
    }
    say("held " + std::to_string(code));
    std::this_thread::sleep_for(std::chrono::milliseconds(g_holdMs.load()));
    say("released " + std::to_string(code));
}

std::int32_t onNotification(std::int32_t code, std::int32_t, std::int32_t, void* address) {
    ferrule_host::noteNotification(code);
    holdIfAsked(code);
    const auto* record = static_cast<const unsigned char*>(address);
    std::ostringstream line;
    line << code << ' ';
    switch (code) {
    case 329: {
        bool legal = false;
        const std::string moves = mainLineText(record, legal);
        line << "mainline score=" << getLe16(record, report::kScore)
             << " time=" << static_cast<std::int32_t>(getLe32(record, report::kTime))
             << " count=" << getLe16(record, report::kMainLineCount)
             << " legal=" << (legal ? "yes" : "no") << " moves=" << moves;
        std::lock_guard lock(g_printMutex);
        g_lastMainLine = moves;
        g_haveBest = true;
        break;
    }
    case 330:
        line << "search-start";
        break;
    case 331:
        line << "move number=" << getLe16(record, report::kMoveNumber)
             << " total=" << getLe16(record, report::kMoveTotal)
             << " code=" << getLe16(record, report::kCurrentMove);
        break;
    case 332:
        line << "depth " << getLe16(record, report::kDepth)
             << " second=" << getLe16(record, report::kSecondDepth);
        break;
    case 333:
        line << "nodes "
             << ((static_cast<std::uint64_t>(getLe32(record, report::kNodesHigh)) << 32) |
                 getLe32(record, report::kNodesLow));
        break;
    default:
        line << "unknown";
        break;
    }
    say(line.str());
    {
        std::lock_guard lock(g_printMutex);
        ++g_noticeCounts[code];
    }
    g_noticed.notify_all();
    return 0;
}

// Waits until notification `code` has arrived at least once; false after `limit`.
bool awaitNotice(int code, std::chrono::milliseconds limit) {
    std::unique_lock lock(g_printMutex);
    return g_noticed.wait_for(lock, limit, [&] { return g_noticeCounts[code] > 0; });
}

std::vector<std::string> splitWords(const std::string& text) {
    std::vector<std::string> words;
    Words reader(text);
    for (std::string_view word; reader.next(word);) {
        words.emplace_back(word);
    }
    return words;
}

class Host {
public:
    Host(const PluginApi& api, void*& library) : m_api(api), m_library(library) {}
    ~Host() { joinSearch(); }

    bool run(const std::string& commandLine) {
        const std::vector<std::string> words = splitWords(commandLine);
        if (words.empty()) {
            return true;
        }
        const std::string& command = words[0];
        if (command == "open") {
            const std::int32_t result = m_api.eng1(g_record.data(), 0, 0, 0, 0, 1, 0, 0);
            m_engineGroups = ferrule_host::childProcesses();
            say("open " + std::to_string(result));
        } else if (command == "close") {
            joinSearch();
            closeConnection();
        } else if (command == "close-now") {
            // While a search may still run: Eng2 from the host's main thread at once.
            closeConnection();
        } else if (command == "hold" && words.size() > 2) {
            g_holdMs = std::atoi(words[2].c_str());
            g_holdCode = std::atoi(words[1].c_str());
        } else if (command == "unload") {
            // What a host does after Eng2; its search thread is let go, not waited for.
            if (m_search.joinable()) {
                m_search.detach();
            }
            const auto started = Clock::now();
            ferrule_host::unloadLibrary(m_library);
            m_library = nullptr;
            const auto took =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
            say("unloaded elapsed-ms=" + std::to_string(took.count()));
        } else if (command == "search") {
            return startSearch({words.begin() + 1, words.end()});
        } else if (command == "wait") {
            joinSearch();
        } else if (command == "stop") {
            m_api.eng3();
            say("stop sent");
        } else if (command == "ponderhit") {
            m_api.eng10();
            say("ponderhit sent");
        } else if (command == "reset") {
            m_api.eng15();
        } else if (command == "await" && words.size() > 2) {
            const int code = std::atoi(words[1].c_str());
            const bool arrived =
                awaitNotice(code, std::chrono::milliseconds(std::atoi(words[2].c_str())));
            say((arrived ? "awaited " : "await timed out ") + words[1]);
        } else if (command == "sleep" && words.size() > 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(words[1].c_str())));
        } else if (command == "status") {
            say("status searching=" + std::to_string(m_api.eng4()) +
                " connected=" + std::to_string(m_api.eng5()));
        } else if (command == "names") {
            say(std::string("names author=") + m_api.eng6() + " engine=" + m_api.eng7());
        } else if (command == "logo") {
            void* logo = m_api.eng19();
            say("logo " + (logo ? ferrule_host::describeLogo(logo) : std::string("none")));
        } else if (command == "threads") {
            for (const std::string& line : ferrule_host::notificationThreads()) {
                say(line);
            }
        } else if (command == "processes") {
            say("processes " + std::to_string(ferrule_host::leftoverProcesses(m_engineGroups)));
        } else if (command == "kill-engine") {
            // Stamped before the kill: the plug-in may end the search before the kill returns.
            m_killedAt = Clock::now().time_since_epoch().count();
            ferrule_host::killProcesses(m_engineGroups);
            say("engine killed");
        } else {
            say("unknown command: " + commandLine);
            return false;
        }
        return true;
    }

private:
    void closeConnection() {
        const auto started = Clock::now();
        const std::int32_t result = m_api.eng2();
        const auto took =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
        say("close " + std::to_string(result) + " elapsed-ms=" + std::to_string(took.count()));
    }

    bool startSearch(const std::vector<std::string>& words) {
        joinSearch();
        std::string error;
        auto parsed = ferrule_host::parseSearchCommand(words, error);
        if (!parsed) {
            say("error " + error);
            return false;
        }
        m_command = std::move(*parsed);
        g_searched = ferrule_host::positionAfter(m_command);
        g_haveBest = false;
        m_killedAt = kNotKilled;
        say("search started");
        m_search = std::thread([this] {
            const auto started = Clock::now();
            m_api.eng9(m_command.request.data());
            const auto ended = Clock::now();
            const auto ms = [](auto span) {
                return std::to_string(
                    std::chrono::duration_cast<std::chrono::milliseconds>(span).count());
            };
            std::string best;
            {
                std::lock_guard lock(g_printMutex);
                best = g_haveBest ? g_lastMainLine.substr(0, g_lastMainLine.find(' ')) : "none";
            }
            std::string line = "search ended elapsed-ms=" + ms(ended - started) + " best=" + best;
            if (const Clock::rep killed = m_killedAt; killed != kNotKilled) {
                line += " after-kill-ms=" + ms(ended - Clock::time_point(Clock::duration(killed)));
            }
            say(line);
        });
        return true;
    }

    void joinSearch() {
        if (m_search.joinable()) {
            m_search.join();
        }
    }

    const PluginApi& m_api;
    void*& m_library;
    ferrule_host::SearchCommand m_command;
    std::thread m_search;
    std::vector<int> m_engineGroups;
    // Set by the command thread, read by the search thread.
    static constexpr Clock::rep kNotKilled = -1;
    std::atomic<Clock::rep> m_killedAt = kNotKilled;
};

void usage() {
    std::cerr << "usage: ferrule-host .../engines/NAME.eng [COMMAND ...]\n"
                 "Commands (arguments, or lines on standard input when none are given):\n"
                 "  open | close | status | names | logo | reset | processes | threads\n"
                 "  search start|fen FEN [moves M...] [depth N | inc REMAIN INC [USED PLAYED] |\n"
                 "         period REMAIN TOGO [USED PLAYED] | infinite] [ponder]\n"
                 "  wait | stop | ponderhit | sleep MS | await CODE MS | kill-engine\n"
                 "  hold CODE MS | close-now | unload\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        usage();
        return 2;
    }
    QuillSetHandler(&onNotification);
    std::string error;
    void* library = ferrule_host::loadLibrary(argv[1], error);
    if (library == nullptr) {
        std::cerr << "cannot load " << argv[1] << ": " << error << "\n";
        return 1;
    }
    ferrule_host::watchPluginThreads(library);
    PluginApi api;
    const bool bound = bind(library, "Eng1", api.eng1) && bind(library, "Eng2", api.eng2) &&
                       bind(library, "Eng3", api.eng3) && bind(library, "Eng4", api.eng4) &&
                       bind(library, "Eng5", api.eng5) && bind(library, "Eng6", api.eng6) &&
                       bind(library, "Eng7", api.eng7) && bind(library, "Eng9", api.eng9) &&
                       bind(library, "Eng10", api.eng10) && bind(library, "Eng15", api.eng15) &&
                       bind(library, "Eng19", api.eng19);
    if (!bound) {
        std::cerr << "not a Ferrule plug-in: " << argv[1] << "\n";
        return 1;
    }
    bool ok = true;
    {
        Host host(api, library);
        if (argc > 2) {
            for (int i = 2; i < argc && ok; ++i) {
                ok = host.run(argv[i]);
            }
        } else {
            for (std::string line; ok && std::getline(std::cin, line);) {
                ok = host.run(line);
            }
        }
    }
    if (library != nullptr) {
        ferrule_host::unloadLibrary(library);
    }
    return ok ? 0 : 1;
}
