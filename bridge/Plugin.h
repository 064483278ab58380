#pragma once

#include "Logo.h"
#include "config/InstallPaths.h"
#include "driver/EngineDriver.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace ferrule {

// The library's one connection to its engine, behind the exported functions. Each
// connection is a connection object of its own (EngineDriver): closing lets go of it, and
// whatever of it still runs (a search or a reader held in the host's handler) finishes on
// that object alone, which the next connection never shares.
class Plugin {
public:
    // Works out the paths from the library's own file name (or from `libraryPath`).
    explicit Plugin(const std::string& libraryPath);

    // Eng1: 0 opened; 1 refused (a connection is open, being opened or being closed, a
    // search runs, or `record` is null); 9 the engine could not be started or the
    // library's own path has no "/engines/" folder. `hostValue` goes to offset 108 of
    // the record only once the engine runs. A connection whose engine has ended by itself
    // is closed first, so that a new one opens.
    std::int32_t open(unsigned char* record, std::int32_t hostValue);
    // Eng2: 0 if no connection was open (or another call is closing it), else 1 once the
    // connection is closed: within about two seconds, whatever the engine and the host's
    // handler do. May be called from inside a notification.
    std::int32_t close();
    void stop();
    bool searching() const;
    // Eng5: a connection is open and its engine still runs.
    bool connected() const;
    // Runs a search if a connection holds a report record; else returns at once.
    void search(const unsigned char* request);
    void ponderHit();
    void reset();
    const char* author();
    const char* engineName();
    void* logo();

    // The exported Show functions: reports of the open connection; 0 without one.
    std::int32_t showDepth(std::int32_t depth, std::int32_t secondDepth);
    std::int32_t showMainline(const std::uint16_t* moves, std::int32_t count, std::int32_t score);
    std::int32_t showMove(std::int32_t move, std::int32_t number, std::int32_t total);
    std::int32_t showNodes(std::uint32_t low, std::uint32_t high);

private:
    static constexpr std::size_t kNameBuffer = 128;
    // The connection flag; only the call that moved it on may move it back.
    enum Connection : int { kClosed, kOpening, kOpen, kClosing };

    std::shared_ptr<EngineDriver> connection() const;
    std::int32_t startEngine(unsigned char* record, std::int32_t hostValue);
    const char* ownOrDefault(std::array<char, kNameBuffer>& buffer, bool& fromConfig,
                             std::string (EngineDriver::*own)(), const std::string& fallback);

    std::optional<InstallPaths> m_paths;
    std::atomic<int> m_connection{kClosed};
    mutable std::mutex m_connectionMutex; // guards m_driver
    std::shared_ptr<EngineDriver> m_driver;
    Logo m_logo;
    std::mutex m_namesMutex;
    std::array<char, kNameBuffer> m_author{};
    std::array<char, kNameBuffer> m_engine{};
    bool m_configAuthor = false; // the buffers hold the configuration's texts
    bool m_configEngine = false;
};

} // namespace ferrule
