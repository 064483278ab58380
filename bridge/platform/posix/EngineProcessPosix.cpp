#include "platform/EngineProcess.h"

#include "BoundedWrite.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace ferrule {

namespace {

// How much further below the host the engine runs: a "below normal" priority.
constexpr int kLowerPriority = 4;
constexpr auto kPoll = std::chrono::milliseconds(10);
constexpr auto kGraceAfterSignal = std::chrono::milliseconds(500);

void closeFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

std::string systemText(int error) {
    return std::strerror(error);
}

// A killed helper ends only when the system next runs it: the caller is told the engine
// is gone once the whole group is, so no process outlives the connection. Signal 0 only
// asks, so it is harmless even if the number has passed to a new group meanwhile; a
// helper left unreaped by a system without a reaping init costs the bound, not a hang.
void awaitGroupEnd(pid_t group) {
    const auto deadline = std::chrono::steady_clock::now() + kGraceAfterSignal;
    while (::kill(-group, 0) == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace

struct EngineProcess::Native {
    int pid = -1;
    int input = -1;  // write end of the engine's standard input
    int output = -1; // read end of the engine's standard output and error
    int wakeRead = -1;
    int wakeWrite = -1;
    bool ended = false;
    bool reapedElsewhere = false; // the system reaped it: its number may be reused
    std::mutex inputMutex;        // serialises writes and closing the input
    std::mutex stateMutex;        // guards pid and ended
    std::mutex terminateMutex;    // one terminate() at a time
};

EngineProcess::EngineProcess() : m_native(std::make_unique<Native>()) {}

EngineProcess::~EngineProcess() {
    if (m_native->pid > 0) {
        terminate();
    }
    closeAll();
}

bool EngineProcess::start(const std::vector<std::string>& arguments,
                          const std::string& workingFolder, std::string& error) {
    int input[2] = {-1, -1};
    int output[2] = {-1, -1};
    int wake[2] = {-1, -1};
    if (arguments.empty() || ::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0 ||
        ::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = arguments.empty() ? systemText(ENOENT) : systemText(errno);
        for (int* fd : {&input[0], &input[1], &output[0], &output[1], &wake[0], &wake[1]}) {
            closeFd(*fd);
        }
        return false;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDERR_FILENO);
    posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());

    // Own process group, so the engine and anything it starts can be ended together;
    // signals back to their defaults, since an ignored SIGPIPE would be inherited.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigset_t noneBlocked;
    sigemptyset(&noneBlocked);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &noneBlocked);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF |
                                              POSIX_SPAWN_SETSIGMASK);

    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    closeFd(input[0]);
    closeFd(output[1]);
    if (spawned != 0) {
        error = systemText(spawned);
        for (int* fd : {&input[1], &output[0], &wake[0], &wake[1]}) {
            closeFd(*fd);
        }
        return false;
    }
    errno = 0;
    const int priority = getpriority(PRIO_PROCESS, 0);
    if (errno == 0) {
        setpriority(PRIO_PROCESS, static_cast<id_t>(pid), priority + kLowerPriority);
    }
    // Writes wait with poll(), never inside write(): an engine that stops reading must
    // not hold the writer. Only the library's own end is made non-blocking.
    ::fcntl(input[1], F_SETFL, ::fcntl(input[1], F_GETFL) | O_NONBLOCK);
    std::lock_guard lock(m_native->stateMutex);
    m_native->pid = pid;
    m_native->input = input[1];
    m_native->output = output[0];
    m_native->wakeRead = wake[0];
    m_native->wakeWrite = wake[1];
    m_native->ended = false;
    return true;
}

bool EngineProcess::write(std::string_view text, std::chrono::milliseconds limit) {
    std::lock_guard lock(m_native->inputMutex);
    if (m_native->input < 0) {
        return false;
    }
    if (!writeWithin(m_native->input, text, limit)) {
        // Half a command may be in the pipe: nothing sent after it could be understood.
        closeFd(m_native->input);
        return false;
    }
    return true;
}

EngineProcess::ReadResult EngineProcess::read(char* buffer, std::size_t size) {
    pollfd watched[2] = {{m_native->output, POLLIN, 0}, {m_native->wakeRead, POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(watched, 2, -1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            return {ReadResult::Kind::kFailed, 0};
        }
        if (watched[0].revents != 0) {
            const ssize_t count = ::read(m_native->output, buffer, size);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count < 0) {
                return {ReadResult::Kind::kFailed, 0};
            }
            return {count == 0 ? ReadResult::Kind::kEnd : ReadResult::Kind::kData,
                    static_cast<std::size_t>(count)};
        }
        char drained[64];
        while (::read(m_native->wakeRead, drained, sizeof drained) > 0) {
        }
        return {ReadResult::Kind::kWoken, 0};
    }
}

void EngineProcess::wake() {
    const char signal = 1;
    if (m_native->wakeWrite >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(m_native->wakeWrite, &signal, 1);
    }
}

bool EngineProcess::hasEnded() {
    std::lock_guard lock(m_native->stateMutex);
    if (!m_native->ended && m_native->pid > 0) {
        siginfo_t info{};
        // WNOWAIT: the ended process is left unreaped, see terminate().
        const int result =
            ::waitid(P_PID, static_cast<id_t>(m_native->pid), &info, WEXITED | WNOHANG | WNOWAIT);
        // ECHILD: a host that ignores SIGCHLD has had it reaped by the system already.
        m_native->ended =
            (result == 0 && info.si_pid == m_native->pid) || (result < 0 && errno == ECHILD);
        m_native->reapedElsewhere = result < 0 && errno == ECHILD;
    }
    return m_native->ended || m_native->pid <= 0;
}

bool EngineProcess::waitForEnd(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!hasEnded()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return true;
}

void EngineProcess::closeInput() {
    std::lock_guard lock(m_native->inputMutex);
    closeFd(m_native->input);
}

void EngineProcess::terminate(std::chrono::milliseconds grace) {
    std::lock_guard once(m_native->terminateMutex);
    pid_t pid = -1;
    {
        std::lock_guard lock(m_native->stateMutex);
        pid = m_native->pid;
    }
    if (pid <= 0) {
        return;
    }
    {
        // A write that waits for a full pipe holds the input; the kill below ends that wait.
        std::unique_lock input(m_native->inputMutex, std::try_to_lock);
        if (input.owns_lock()) {
            closeFd(m_native->input);
        }
    }
    // The engine is asked, then made, to end; each wait is bounded, so a process that
    // cannot be ended at once costs time but never a hang.
    if (!waitForEnd(std::chrono::milliseconds(0))) {
        ::kill(-pid, SIGTERM);
        if (!waitForEnd(grace)) {
            ::kill(-pid, SIGKILL);
            waitForEnd(kGraceAfterSignal);
        }
    }
    std::lock_guard lock(m_native->stateMutex);
    // Helpers the engine started and left behind are useless without it. While the ended
    // engine is not yet reaped its number still names this group, so the signal reaches
    // no one else; once the system has reaped it, the number may belong to a new group.
    if (!m_native->reapedElsewhere) {
        ::kill(-pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, WNOHANG);
        awaitGroupEnd(pid);
    }
    m_native->pid = -1;
}

void EngineProcess::closeAll() {
    std::scoped_lock lock(m_native->inputMutex, m_native->stateMutex);
    for (int* fd :
         {&m_native->input, &m_native->output, &m_native->wakeRead, &m_native->wakeWrite}) {
        closeFd(*fd);
    }
}

} // namespace ferrule
