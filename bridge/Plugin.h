#pragma once

#include "Logo.h"
#include "config/InstallPaths.h"
#include "driver/EngineDriver.h"
#include "driver/SearchReports.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace ferrule {

// The library's one connection to its engine, behind the exported functions.
class Plugin {
public:
    // Works out the paths from the library's own file name (or from `libraryPath`).
    explicit Plugin(const std::string& libraryPath);

    // Eng1: 0 opened; 1 refused (a connection is open, being opened or being closed, a
    // search runs, or `record` is null); 9 the engine could not be started or the
    // library's own path has no "/engines/" folder. `hostValue` goes to offset 108 of
    // the record only once the engine runs.
    std::int32_t open(unsigned char* record, std::int32_t hostValue);
    // Eng2: 0 if no connection was open (or another call is closing it), else 1 once the
    // search has ended and the engine has gone. May be called from inside a notification.
    std::int32_t close();
    void stop() { m_driver.stop(); }
    bool searching() const { return m_driver.searchRunning(); }
    bool connected() const { return m_connection.load() == kOpen; }
    // Runs a search if a connection holds a report record; else returns at once.
    void search(const unsigned char* request);
    void ponderHit() { m_driver.ponderHit(); }
    void reset() { m_driver.reset(); }
    const char* author();
    const char* engineName();
    void* logo();
    SearchReports& reports() { return m_reports; }

private:
    static constexpr std::size_t kNameBuffer = 128;
    // The connection flag; only the call that moved it on may move it back.
    enum Connection : int { kClosed, kOpening, kOpen, kClosing };

    std::int32_t startEngine(unsigned char* record, std::int32_t hostValue);
    void endEngine() noexcept;

    std::optional<InstallPaths> m_paths;
    std::atomic<int> m_connection{kClosed};
    SearchReports m_reports;
    EngineDriver m_driver{m_reports};
    Logo m_logo;
    std::mutex m_namesMutex;
    std::array<char, kNameBuffer> m_author{};
    std::array<char, kNameBuffer> m_engine{};
};

} // namespace ferrule
