#include "platform/ReaderThread.h"

#include "SystemText.h"

#include <windows.h>

namespace ferrule {

namespace {

// The reservation, not the first commit: the thread may never use more.
constexpr SIZE_T kStackReservation = 32 * 1024;

DWORD WINAPI runBody(void* argument) {
    const std::unique_ptr<std::function<void()>> body(
        static_cast<std::function<void()>*>(argument));
    (*body)();
    return 0;
}

} // namespace

struct ReaderThread::Native {
    HANDLE handle = nullptr;
    DWORD id = 0;
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
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
    DWORD id = 0;
    const HANDLE handle = CreateThread(nullptr, kStackReservation, &runBody, owned.get(),
                                       STACK_SIZE_PARAM_IS_A_RESERVATION, &id);
    if (handle == nullptr) {
        error = systemText(GetLastError());
        return false;
    }
    owned.release(); // the thread owns it now
    m_native->handle = handle;
    m_native->id = id;
    return true;
}

bool ReaderThread::isCurrent() const {
    return m_native && m_native->handle != nullptr && m_native->id == GetCurrentThreadId();
}

void ReaderThread::join() {
    if (m_native && m_native->handle != nullptr && !isCurrent()) {
        WaitForSingleObject(m_native->handle, INFINITE);
        CloseHandle(m_native->handle);
        *m_native = {};
    }
}

void ReaderThread::detach() {
    if (m_native && m_native->handle != nullptr) {
        CloseHandle(m_native->handle);
        *m_native = {};
    }
}

} // namespace ferrule
