#include "platform/ReaderThread.h"

#include "SystemText.h"

#include <windows.h>

namespace ferrule {

namespace {

// The first commit of the stack, inside the reservation the host's executable names (1 MiB
// as a rule): the host's handler runs on this thread and may paint, so the thread may grow
// as any thread of the host does.
constexpr SIZE_T kStackCommit = 32 * 1024;

// What the thread runs, and the reference to this library that keeps it loaded under the
// thread: a host may free the library (after Eng2, or without it) while the thread is
// still in the host's handler, and the thread must come back into mapped code.
struct ThreadStart {
    std::function<void()> body;
    HMODULE module = nullptr;
};

DWORD WINAPI runBody(void* argument) {
    HMODULE module = nullptr;
    {
        const std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(argument));
        module = start->module;
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
        // An exception must not end the host: the thread just ends.
        try {
            start->body();
        } catch (...) {
        }
    }
    // Lets go of the library and ends the thread in one step, never returning into code the
    // loader may unmap as soon as the reference is gone.
    FreeLibraryAndExitThread(module, 0);
}

// A counted reference to the library this code is in; null on failure.
HMODULE referenceOwnModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&runBody),
                       &module);
    return module;
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
    auto owned = std::make_unique<ThreadStart>(ThreadStart{std::move(body), referenceOwnModule()});
    if (owned->module == nullptr) {
        error = systemText(GetLastError());
        return false;
    }
    DWORD id = 0;
    const HANDLE handle = CreateThread(nullptr, kStackCommit, &runBody, owned.get(), 0, &id);
    if (handle == nullptr) {
        error = systemText(GetLastError());
        FreeLibrary(owned->module);
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
