#pragma once

#include <functional>
#include <memory>
#include <string>

namespace ferrule {

// The thread that reads an engine's output and runs everything that follows from a line,
// up to the host's notification handler. It runs below normal priority, ends quietly on an
// exception, and keeps the library loaded while it runs: a host may unload the library
// while the thread is still held in its handler. Where the system cannot be told to keep
// a library mapped when it is linked, the thread holds a reference to it (Windows); on
// Windows its stack starts with a commit of 32 KiB within the host's usual reservation.
// Everything it runs keeps large buffers off the stack all the same.
class ReaderThread {
public:
    ReaderThread();
    ~ReaderThread(); // lets a thread still held go on by itself, as detach() does
    ReaderThread(ReaderThread&& other) noexcept;
    ReaderThread& operator=(ReaderThread&& other) noexcept;

    // Runs `body` on a new thread. On failure returns false with the system's text in
    // `error`; a thread already held is let go first.
    bool start(std::function<void()> body, std::string& error);

    // True when the caller is the thread held; false once it is joined or let go.
    bool isCurrent() const;

    // Waits for the thread held to end; does nothing without one or on the thread itself.
    void join();
    // Lets the thread held go on by itself.
    void detach();

private:
    struct Native; // the platform's thread handle
    std::unique_ptr<Native> m_native;
};

} // namespace ferrule
