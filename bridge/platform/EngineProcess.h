#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ferrule {

// The engine as an operating-system process: its input and output pipes, a way to wake
// a blocked reader, and its end. Every system call of the library's engine handling lives
// behind this class, so another platform needs only another implementation of it.
class EngineProcess {
public:
    static constexpr std::chrono::milliseconds kTerminateGrace{500};

    struct ReadResult {
        enum class Kind { kData, kEnd, kWoken, kFailed };
        Kind kind = Kind::kFailed;
        std::size_t count = 0;
    };

    EngineProcess();
    ~EngineProcess(); // ends a process still running (see terminate) and closes everything
    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    // Starts `arguments[0]` with the rest as its arguments in `workingFolder`, at lower
    // priority and in a process group of its own; standard output and error share one
    // pipe. On failure returns false with the system's text in `error`, leaving nothing open.
    bool start(const std::vector<std::string>& arguments, const std::string& workingFolder,
               std::string& error);

    // Writes all of `text` to the engine's input, giving up after `limit`. Returns false,
    // without a signal, when the engine has ended, the pipe is closed or the text could not
    // be written in time (an engine that stopped reading); the input is then closed, so that
    // every later write returns false at once. Callable from any thread.
    bool write(std::string_view text, std::chrono::milliseconds limit);

    // Blocks until output arrives (kData, `count` bytes), the output ends (kEnd), wake()
    // is called (kWoken) or the read fails (kFailed).
    ReadResult read(char* buffer, std::size_t size);

    // Makes a blocked or the next read() return kWoken. Callable from any thread.
    void wake();

    // True once the engine process has ended. It is not reaped here: until terminate(), the
    // ended process keeps its number, so its process group cannot be taken by another.
    bool hasEnded();

    // Waits up to `limit` for the process to end by itself; true if it has.
    bool waitForEnd(std::chrono::milliseconds limit);

    // Closes the engine's input, so that an engine reading it sees its end.
    void closeInput();

    // Ends the engine and whatever it started (politely first, giving it `grace`, then by
    // force) and reaps it. Returns within about `grace` and one second more whatever the
    // engine does, and may be called while another thread is in read(), write() or wake();
    // the pipes stay open until destruction.
    void terminate(std::chrono::milliseconds grace = kTerminateGrace);

private:
    void closeAll();

    struct Native; // the platform's handles and locks
    std::unique_ptr<Native> m_native;
};

} // namespace ferrule
