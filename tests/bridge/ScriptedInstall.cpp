#include "ScriptedInstall.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#ifndef FERRULE_SCRIPTED_ENGINE
#error "FERRULE_SCRIPTED_ENGINE names the stand-in engine script"
#endif

namespace ferrule_test {

namespace fs = std::filesystem;

ScriptedInstall::ScriptedInstall() {
    char pattern[] = "/tmp/ferrule-scripted-XXXXXX";
    m_root = mkdtemp(pattern);
    m_folder = m_root / "engines" / "scripted";
    fs::create_directories(m_folder);
    fs::create_symlink(FERRULE_SCRIPTED_ENGINE, m_folder / "scripted");
}

ScriptedInstall::~ScriptedInstall() {
    std::error_code ignored;
    fs::remove_all(m_root, ignored);
}

ferrule::InstallPaths ScriptedInstall::paths() const {
    return *ferrule::derivePaths(libraryPath());
}

void ScriptedInstall::writeConfig(const std::string& text) const {
    fs::remove(m_folder / "scripted.init");
    std::ofstream(m_folder / "scripted.init") << text;
}

void ScriptedInstall::removeEngine() const {
    fs::remove(m_folder / "scripted");
}

std::vector<std::string> ScriptedInstall::commands() const {
    std::vector<std::string> lines;
    std::ifstream log(m_folder / "commands.log");
    for (std::string line; std::getline(log, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool ScriptedInstall::waitForCommand(const std::string& line,
                                     std::chrono::milliseconds limit) const {
    return eventually(
        [&] {
            for (const std::string& sent : commands()) {
                if (sent == line) {
                    return true;
                }
            }
            return false;
        },
        limit);
}

int ScriptedInstall::enginePid(std::chrono::milliseconds limit) const {
    int pid = 0;
    eventually(
        [&] {
            std::ifstream file(m_folder / "engine.pid");
            return static_cast<bool>(file >> pid) && pid > 0;
        },
        limit);
    return pid;
}

bool processGone(int pid, std::chrono::milliseconds limit) {
    return eventually([&] { return ::kill(pid, 0) != 0 && errno == ESRCH; }, limit);
}

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

Background::Background(std::function<void()> call)
    : m_thread([this, call = std::move(call)] {
          call();
          m_done = true;
      }) {}

Background::~Background() {
    if (!finishes()) {
        std::fprintf(stderr, "a call into the library never returned\n");
        std::_Exit(1);
    }
    m_thread.join();
}

bool Background::finishes(std::chrono::milliseconds limit) const {
    return eventually([this] { return m_done.load(); }, limit);
}

} // namespace ferrule_test
