#pragma once

#include "config/InstallPaths.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace ferrule_test {

using namespace std::chrono_literals;

// A host's engines folder in a fresh temporary folder: <root>/engines/scripted.eng beside
// <root>/engines/scripted/scripted, the stand-in engine script. Removed with the object.
class ScriptedInstall {
public:
    ScriptedInstall();
    ~ScriptedInstall();
    ScriptedInstall(const ScriptedInstall&) = delete;
    ScriptedInstall& operator=(const ScriptedInstall&) = delete;

    std::string libraryPath() const { return (m_root / "engines" / "scripted.eng").string(); }
    ferrule::InstallPaths paths() const;
    const std::filesystem::path& folder() const { return m_folder; }
    void writeConfig(const std::string& text) const;
    void removeEngine() const;

    // Every line the engine was sent, in order.
    std::vector<std::string> commands() const;
    // Waits until the engine has been sent `line`; false after `limit`.
    bool waitForCommand(const std::string& line, std::chrono::milliseconds limit = 10s) const;
    // The engine's process id once it has written it, or 0 after `limit`.
    int enginePid(std::chrono::milliseconds limit = 10s) const;

private:
    std::filesystem::path m_root;
    std::filesystem::path m_folder;
};

// True once no process `pid` exists any more, not even one ended and left unreaped.
bool processGone(int pid, std::chrono::milliseconds limit = 5s);

// Waits until `condition` holds; false after `limit`.
bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s);

// Runs a call on a thread of its own, so that a call that hangs fails the test instead of
// stopping it. One that has not returned when this is destroyed ends the test program.
class Background {
public:
    explicit Background(std::function<void()> call);
    ~Background();
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    bool finishes(std::chrono::milliseconds limit = 20s) const;

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

} // namespace ferrule_test
