// Ferrule.eng loaded as a host loads it, from a copy in a host's engines folder, driven
// through its exports from several host threads and from inside its own notifications.

#include "ScriptedInstall.h"
#include "driver/RecordLayout.h"
#include "quill/Quill32.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef FERRULE_LIBRARY
#error "FERRULE_LIBRARY names the built plug-in"
#endif

namespace {

using namespace ferrule;
using namespace ferrule_test;

// What the host does with each notification; called on the library's threads.
std::function<void(int code)> g_onNotice;
std::mutex g_onNoticeMutex;

std::int32_t hostHandler(std::int32_t code, std::int32_t, std::int32_t, void*) {
    std::function<void(int)> handler;
    {
        std::lock_guard lock(g_onNoticeMutex);
        handler = g_onNotice;
    }
    if (handler) {
        handler(code);
    }
    return 0;
}

// Holds the first notification `code` in the host's handler until released, as a host
// does that paints or waits for a lock of its own there.
class HeldHandler {
public:
    explicit HeldHandler(int code) : m_code(code) {}
    ~HeldHandler() { release(); }

    void operator()(int code) {
        if (code != m_code || m_taken.exchange(true)) {
            return;
        }
        std::unique_lock lock(m_mutex);
        m_held = true;
        m_changed.notify_all();
        m_changed.wait_for(lock, 30s, [this] { return m_released; });
        m_held = false;
        m_changed.notify_all();
    }
    bool isHeld(std::chrono::milliseconds limit = 10s) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [this] { return m_held; });
    }
    // Lets the handler go and waits until it has left.
    void release() {
        std::unique_lock lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
        m_changed.wait_for(lock, 5s, [this] { return !m_held; });
    }

private:
    const int m_code;
    std::atomic<bool> m_taken{false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_held = false;
    bool m_released = false;
};

class PluginHost : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(FERRULE_LIBRARY, m_install.libraryPath());
        m_library = dlopen(m_install.libraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_library, nullptr) << dlerror();
        bind("Eng1", eng1);
        bind("Eng2", eng2);
        bind("Eng3", eng3);
        bind("Eng4", eng4);
        bind("Eng5", eng5);
        bind("Eng6", eng6);
        bind("Eng7", eng7);
        bind("Eng9", eng9);
        bind("Eng19", eng19);
        bind("ShowDepth", showDepth);
        m_record.fill(0xEE);
        QuillSetHandler(&hostHandler);
    }

    void TearDown() override {
        if (m_library != nullptr) {
            eng2();
            onNotice(nullptr);
            dlclose(m_library);
        }
        QuillSetHandler(nullptr);
    }

    template <typename Function> void bind(const char* name, Function& function) {
        function = reinterpret_cast<Function>(dlsym(m_library, name));
        ASSERT_NE(function, nullptr) << name;
    }

    static void onNotice(std::function<void(int)> handler) {
        std::lock_guard lock(g_onNoticeMutex);
        g_onNotice = std::move(handler);
    }

    std::int32_t open(const std::string& mode) {
        m_install.writeConfig("[Parameter]\nCommandLine=" + mode + "\n");
        return eng1(m_record.data(), 0, 0, 0, 0, 77, 0, 0);
    }

    // An unlimited search from the start position after 1. e4.
    const unsigned char* unlimitedSearch() {
        m_request.fill(0);
        m_request[request::kFromStart] = 1;
        putLe16(m_request.data(), request::kMoveCount, 1);
        putLe16(m_request.data(), request::kMoves, 12 | (28 << 6));
        return m_request.data();
    }

    ScriptedInstall m_install;
    void* m_library = nullptr;
    std::array<unsigned char, report::kSize> m_record{};
    std::array<unsigned char, request::kSize> m_request{};

    std::int32_t (*eng1)(void*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                         std::int32_t, std::int32_t, std::int32_t) = nullptr;
    std::int32_t (*eng2)() = nullptr;
    void (*eng3)() = nullptr;
    std::int32_t (*eng4)() = nullptr;
    std::int32_t (*eng5)() = nullptr;
    const char* (*eng6)() = nullptr;
    const char* (*eng7)() = nullptr;
    void (*eng9)(const void*) = nullptr;
    void* (*eng19)() = nullptr;
    void (*showDepth)(std::int32_t, std::int32_t) = nullptr;
};

TEST_F(PluginHost, OneConnectionAtATime) {
    EXPECT_EQ(open(""), 0);
    EXPECT_EQ(getLe32(m_record.data(), report::kHostValue), 77u);
    EXPECT_EQ(open(""), 1);
    EXPECT_EQ(eng5(), 1);
    EXPECT_EQ(eng2(), 1);
    EXPECT_EQ(eng2(), 0);
    EXPECT_EQ(eng5(), 0);
    EXPECT_EQ(open(""), 0);
    EXPECT_EQ(eng2(), 1);
}

TEST_F(PluginHost, AMissingEngineTouchesNothingAndCanBeRetried) {
    m_install.removeEngine();
    EXPECT_EQ(open(""), 9);
    EXPECT_EQ(getLe32(m_record.data(), report::kHostValue), 0xEEEEEEEEu);
    EXPECT_EQ(eng5(), 0);
    EXPECT_EQ(open(""), 9) << "the connection flag was given back";
    EXPECT_EQ(eng2(), 0);
}

TEST_F(PluginHost, NamesComeFromTheConfigurationOrTheirDefaults) {
    EXPECT_STREQ(eng6(), "Quillon GmbH");
    EXPECT_STREQ(eng7(), "scripted");
    m_install.writeConfig("[Parameter]\nAuthor=A. Person\nEngine=Knight 2\n");
    ASSERT_EQ(eng1(m_record.data(), 0, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_STREQ(eng6(), "A. Person");
    EXPECT_STREQ(eng7(), "Knight 2");
}

TEST_F(PluginHost, CloseDuringASearchTheEngineWillNotEnd) {
    ASSERT_EQ(open("stubborn"), 0);
    const int pid = m_install.enginePid();
    Background search([&] { eng9(unlimitedSearch()); });
    std::this_thread::sleep_for(1s);
    std::atomic<int> closed{-1};
    Background close([&] { closed = eng2(); });
    EXPECT_TRUE(search.finishes());
    EXPECT_TRUE(close.finishes());
    EXPECT_EQ(closed, 1);
    EXPECT_TRUE(processGone(pid));
}

// The old connection's reader is held in the host's handler while the host closes and
// opens again and starts an unlimited search: when that handler returns, the reader of the
// closed connection must not end the new search, nor report into the new record.
TEST_F(PluginHost, AHeldReaderOfAClosedConnectionLeavesTheNextOneAlone) {
    ASSERT_EQ(open("bare"), 0);
    HeldHandler held(329);
    onNotice([&](int code) { held(code); });
    Background oldSearch([&] { eng9(unlimitedSearch()); });
    ASSERT_TRUE(held.isHeld());
    EXPECT_EQ(eng2(), 1);
    EXPECT_TRUE(oldSearch.finishes());

    std::atomic<int> newMainLines{0};
    ASSERT_EQ(open("thinker"), 0);
    const int pid = m_install.enginePid();
    onNotice([&](int code) {
        newMainLines += code == 329 ? 1 : 0;
        held(code);
    });
    Background search([&] { eng9(unlimitedSearch()); });
    ASSERT_TRUE(eventually([&] { return newMainLines > 0; }));
    const int beforeRelease = newMainLines;
    held.release();
    EXPECT_FALSE(search.finishes(1500ms)) << "the old reader ended the new search";
    EXPECT_EQ(newMainLines, beforeRelease) << "the old reader reported into the new search";
    EXPECT_EQ(eng4(), 1);
    eng3();
    EXPECT_TRUE(search.finishes());
    EXPECT_TRUE(m_install.waitForCommand("?"));
    EXPECT_GT(getLe16(m_record.data(), report::kMainLineCount), 0);
    EXPECT_EQ(eng2(), 1);
    EXPECT_TRUE(processGone(pid));
}

// A host may hold its handler for as long as it likes and the engine may ignore every
// request to end: Eng2 still returns within its bound (two seconds; the check allows for a
// busy machine), and the engine is gone once the rest has finished by itself.
TEST_F(PluginHost, CloseIsBoundedWithAStubbornEngineAndAHeldHandler) {
    ASSERT_EQ(open("stubborn"), 0);
    const int pid = m_install.enginePid();
    HeldHandler held(329);
    onNotice([&](int code) { held(code); });
    Background search([&] { eng9(unlimitedSearch()); });
    ASSERT_TRUE(held.isHeld());
    const auto started = std::chrono::steady_clock::now();
    std::atomic<int> closed{-1};
    Background close([&] { closed = eng2(); });
    EXPECT_TRUE(close.finishes());
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    std::printf("Eng2 took %lld ms\n", static_cast<long long>(took.count()));
    EXPECT_LT(took, 3500ms);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(eng5(), 0);
    held.release();
    EXPECT_TRUE(search.finishes());
    EXPECT_TRUE(processGone(pid));
}

TEST_F(PluginHost, TwoClosesAtOnceCloseOnce) {
    ASSERT_EQ(open("stubborn"), 0);
    const int pid = m_install.enginePid();
    std::atomic<int> first{-1};
    std::atomic<int> second{-1};
    {
        Background one([&] { first = eng2(); });
        Background two([&] { second = eng2(); });
        EXPECT_TRUE(one.finishes());
        EXPECT_TRUE(two.finishes());
    }
    EXPECT_EQ(first + second, 1);
    EXPECT_TRUE(processGone(pid));
}

TEST_F(PluginHost, AHandlerMayWaitForAnotherHostThread) {
    ASSERT_EQ(open("thinker"), 0);
    std::mutex mutex;
    std::condition_variable changed;
    bool otherDone = false;
    std::atomic<bool> handled{false};
    std::atomic<bool> otherSeen{false}; // by the handler, before it returned
    std::atomic<bool> waited{false};
    std::thread other;
    onNotice([&](int code) {
        if (code != 329 || waited.exchange(true)) {
            return;
        }
        other = std::thread([&] {
            showDepth(30, 0);
            std::lock_guard lock(mutex);
            otherDone = true;
            changed.notify_all();
        });
        std::unique_lock lock(mutex);
        otherSeen = changed.wait_for(lock, 5s, [&] { return otherDone; });
        handled = true;
    });
    Background search([&] { eng9(unlimitedSearch()); });
    ASSERT_TRUE(eventually([&] { return handled.load(); }));
    EXPECT_TRUE(otherSeen) << "the other host thread was held while the handler ran";
    eng3();
    EXPECT_TRUE(search.finishes());
    other.join();
}

TEST_F(PluginHost, CloseFromInsideAReaderNotification) {
    ASSERT_EQ(open("thinker"), 0);
    const int pid = m_install.enginePid();
    std::atomic<int> closed{-1};
    onNotice([&](int code) {
        if (code == 329 && closed == -1) {
            closed = eng2();
        }
    });
    Background search([&] { eng9(unlimitedSearch()); });
    EXPECT_TRUE(search.finishes());
    EXPECT_TRUE(eventually([&] { return closed != -1; }));
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(eng5(), 0);
    EXPECT_TRUE(processGone(pid));
    onNotice(nullptr);
    EXPECT_EQ(open(""), 0) << "a new connection opens";
}

TEST_F(PluginHost, CloseFromInsideTheSearchStartNotification) {
    ASSERT_EQ(open("thinker"), 0);
    const int pid = m_install.enginePid();
    std::atomic<int> closed{-1};
    onNotice([&](int code) {
        if (code == 330 && closed == -1) {
            closed = eng2();
        }
    });
    Background search([&] { eng9(unlimitedSearch()); });
    EXPECT_TRUE(search.finishes());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(eng5(), 0);
    EXPECT_TRUE(processGone(pid));
}

TEST_F(PluginHost, NamedPipesBesideTheEngineHoldNoCall) {
    const auto fifo = [&](const char* name) {
        const std::string path = (m_install.folder() / name).string();
        std::filesystem::remove(path);
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0) << path;
    };
    fifo("scripted.init");
    std::atomic<int> opened{-1};
    {
        Background open([&] { opened = eng1(m_record.data(), 0, 0, 0, 0, 0, 0, 0); });
        ASSERT_TRUE(open.finishes(5s)) << "the configuration was read from a pipe";
    }
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(eng2(), 1);

    m_install.writeConfig("[Parameter]\nLogfile=true\n");
    fifo("logfile.text");
    {
        Background open([&] { opened = eng1(m_record.data(), 0, 0, 0, 0, 0, 0, 0); });
        ASSERT_TRUE(open.finishes(5s)) << "the log was opened on a pipe";
    }
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(eng2(), 1);

    fifo("scripted.bmp");
    std::atomic<bool> noLogo{false};
    Background logo([&] { noLogo = eng19() == nullptr; });
    ASSERT_TRUE(logo.finishes(5s)) << "the logo was read from a pipe";
    EXPECT_TRUE(noLogo);
}

// The reader thread cannot be started: a child process of this test, as a user with no
// room for another thread, opens the connection. Only the superuser can become that user.
TEST_F(PluginHost, AReaderThatCannotStartLeavesNothingBehind) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs to run as root to take another user's process limit";
    }
    std::filesystem::permissions(m_install.folder().parent_path().parent_path(),
                                 std::filesystem::perms::all);
    std::filesystem::permissions(m_install.folder(), std::filesystem::perms::all);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // This process and the engine are all the user may have: no thread more.
        const rlimit limit{2, 2};
        if (setrlimit(RLIMIT_NPROC, &limit) != 0 || setgid(65534) != 0 || setuid(65534) != 0) {
            _exit(10);
        }
        const int opened = eng1(m_record.data(), 0, 0, 0, 0, 0, 0, 0);
        // No child at all, not even an ended one: the engine was ended and reaped.
        const bool gone = eventually(
            [] {
                siginfo_t info{};
                return waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == -1 &&
                       errno == ECHILD;
            },
            5s);
        const bool flagBack = eng5() == 0 && eng1(m_record.data(), 0, 0, 0, 0, 0, 0, 0) == 9;
        _exit(opened != 9 ? 11 : !gone ? 12 : !flagBack ? 13 : 0);
    }
    int status = 0;
    ASSERT_TRUE(eventually([&] { return waitpid(child, &status, WNOHANG) == child; }, 30s));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10 set-up, 11 opened, 12 engine left, 13 flag kept";
}

} // namespace
