#include "BoundedWrite.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <poll.h>
#include <pthread.h>
#include <time.h>
#include <unistd.h>

namespace ferrule {

namespace {

// SIGPIPE is blocked in this thread for the write, and a SIGPIPE the write caused is taken
// back out of the pending set, so it is never delivered to the host.
class SigpipeBlock {
public:
    SigpipeBlock() {
        sigemptyset(&m_set);
        sigaddset(&m_set, SIGPIPE);
        sigset_t pending;
        sigemptyset(&pending);
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &m_set, &m_old);
    }
    ~SigpipeBlock() {
        if (m_raised && !m_wasPending) {
            const timespec zero{0, 0};
            sigtimedwait(&m_set, nullptr, &zero);
        }
        pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }
    SigpipeBlock(const SigpipeBlock&) = delete;
    SigpipeBlock& operator=(const SigpipeBlock&) = delete;
    void noteBrokenPipe() { m_raised = true; }

private:
    sigset_t m_set;
    sigset_t m_old;
    bool m_wasPending = false;
    bool m_raised = false;
};

} // namespace

bool writeWithin(int fd, std::string_view text, std::chrono::milliseconds limit) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + limit;
    SigpipeBlock block;
    while (!text.empty()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd watched{fd, POLLOUT, 0};
        const int ready = ::poll(&watched, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0 || (watched.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            return false;
        }
        const ssize_t written =
            ::write(fd, text.data(), std::min<std::size_t>(text.size(), PIPE_BUF));
        if (written < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (written <= 0) {
            if (errno == EPIPE) {
                block.noteBrokenPipe();
            }
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace ferrule
