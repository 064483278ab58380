#include "platform/ReaderThread.h"

#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace ferrule {

namespace {

// How much further below the host the thread runs: a "below normal" priority. Linux gives
// each thread a nice value of its own.
constexpr int kLowerPriority = 4;

void lowerOwnPriority() {
    const auto self = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int priority = ::getpriority(PRIO_PROCESS, self);
    if (errno == 0) {
        ::setpriority(PRIO_PROCESS, self, priority + kLowerPriority);
    }
}

} // namespace

struct ReaderThread::Native {
    std::thread thread;
};

ReaderThread::ReaderThread() : m_native(std::make_unique<Native>()) {}

ReaderThread::~ReaderThread() {
    detach();
}

ReaderThread::ReaderThread(ReaderThread&& other) noexcept = default;

ReaderThread& ReaderThread::operator=(ReaderThread&& other) noexcept {
    if (this != &other) {
        detach();
        m_native = std::move(other.m_native);
    }
    return *this;
}

bool ReaderThread::start(std::function<void()> body, std::string& error) {
    if (m_native) {
        detach();
    } else {
        m_native = std::make_unique<Native>();
    }
    try {
        m_native->thread = std::thread([body = std::move(body)] {
            lowerOwnPriority();
            // An exception must not end the host: the thread just ends.
            try {
                body();
            } catch (...) {
            }
        });
    } catch (const std::system_error& failure) {
        error = failure.code().message();
        return false;
    }
    return true;
}

bool ReaderThread::isCurrent() const {
    return m_native && m_native->thread.joinable() &&
           m_native->thread.get_id() == std::this_thread::get_id();
}

void ReaderThread::join() {
    if (m_native && m_native->thread.joinable() && !isCurrent()) {
        m_native->thread.join();
    }
}

void ReaderThread::detach() {
    if (m_native && m_native->thread.joinable()) {
        m_native->thread.detach();
    }
}

} // namespace ferrule
