#include "platform/ReaderThread.h"

#include <system_error>
#include <thread>

namespace ferrule {

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
        m_native->thread = std::thread(std::move(body));
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
