#include "platform/EngineProcess.h"

#include "SystemText.h"

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace ferrule {

namespace {

using std::chrono::milliseconds;

// Anonymous pipes have no overlapped reads, so a read that must also return on wake()
// looks at the pipe and waits on the wake event in short steps instead of blocking.
constexpr DWORD kReadPollMs = 10;
constexpr DWORD kWriteRetryMs = 5;
constexpr DWORD kEndAfterKillMs = 2000;

void closeHandle(HANDLE& handle) {
    if (handle != nullptr) {
        CloseHandle(handle);
        handle = nullptr;
    }
}

// One argument as the C runtime of the engine will split it again: quoted when it holds
// blanks or quotes, with the backslashes before a quote doubled.
void appendArgument(std::string& line, const std::string& argument) {
    if (!line.empty()) {
        line += ' ';
    }
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
        line += argument;
        return;
    }
    line += '"';
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        line.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        line += c;
    }
    line.append(2 * backslashes, '\\');
    line += '"';
}

} // namespace

struct EngineProcess::Native {
    HANDLE process = nullptr;
    HANDLE job = nullptr;    // the engine and whatever it starts, ended together
    HANDLE input = nullptr;  // write end of the engine's standard input, never blocking
    HANDLE output = nullptr; // read end of the engine's standard output and error
    HANDLE wake = nullptr;   // an event that ends a waiting read
    bool ended = false;
    std::mutex inputMutex;     // serialises writes and closing the input
    std::mutex stateMutex;     // guards `ended`
    std::mutex terminateMutex; // one terminate() at a time
};

EngineProcess::EngineProcess() : m_native(std::make_unique<Native>()) {}

EngineProcess::~EngineProcess() {
    if (m_native->process != nullptr) {
        terminate();
    }
    closeAll();
}

bool EngineProcess::start(const std::vector<std::string>& arguments,
                          const std::string& workingFolder, std::string& error) {
    if (arguments.empty()) {
        error = systemText(ERROR_FILE_NOT_FOUND);
        return false;
    }
    HANDLE outputRead = nullptr;
    HANDLE outputWrite = nullptr;
    HANDLE inputRead = nullptr;
    HANDLE inputWrite = nullptr;
    HANDLE wake = nullptr;
    const auto fail = [&](DWORD code) {
        error = systemText(code);
        for (HANDLE* handle : {&outputRead, &outputWrite, &inputRead, &inputWrite, &wake}) {
            closeHandle(*handle);
        }
        return false;
    };
    // Not inheritable yet: another thread of the host may create a process of its own
    // meanwhile, and would take inheritable ends along and hold the pipes open.
    if (!CreatePipe(&outputRead, &outputWrite, nullptr, 0) ||
        !CreatePipe(&inputRead, &inputWrite, nullptr, 0)) {
        return fail(GetLastError());
    }
    // An engine that stops reading must not hold the host's thread for ever: writes
    // return at once with what fitted, and write() bounds the retries.
    DWORD noWait = PIPE_NOWAIT;
    wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!SetNamedPipeHandleState(inputWrite, &noWait, nullptr, nullptr) || wake == nullptr) {
        return fail(GetLastError());
    }

    std::string commandLine;
    for (const std::string& argument : arguments) {
        appendArgument(commandLine, argument);
    }
    // The engine inherits its two pipe ends and nothing else the host may have left
    // inheritable (a pipe of its own would otherwise stay open as long as the engine runs).
    SIZE_T listSize = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &listSize);
    std::vector<unsigned char> listStorage(listSize);
    auto* inheritList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(listStorage.data());
    HANDLE inherited[] = {inputRead, outputWrite};
    if (!InitializeProcThreadAttributeList(inheritList, 1, 0, &listSize)) {
        return fail(GetLastError());
    }
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = inputRead;
    startup.StartupInfo.hStdOutput = outputWrite;
    startup.StartupInfo.hStdError = outputWrite;
    startup.lpAttributeList = inheritList;
    PROCESS_INFORMATION created{};
    // The engine's two ends are inheritable only for the creation itself, and the list
    // hands them to this engine alone. Suspended, so that it joins its job and gets its
    // priority before it runs a single instruction; the working folder is given to it, the
    // host's own is left alone.
    const auto inheritable = [&](DWORD flag) {
        return SetHandleInformation(inputRead, HANDLE_FLAG_INHERIT, flag) &&
               SetHandleInformation(outputWrite, HANDLE_FLAG_INHERIT, flag);
    };
    const bool started =
        UpdateProcThreadAttribute(inheritList, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                  sizeof inherited, nullptr, nullptr) &&
        inheritable(HANDLE_FLAG_INHERIT) &&
        CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                       EXTENDED_STARTUPINFO_PRESENT | CREATE_SUSPENDED | DETACHED_PROCESS |
                           CREATE_NEW_PROCESS_GROUP,
                       nullptr, workingFolder.c_str(), &startup.StartupInfo, &created);
    const DWORD startError = GetLastError();
    inheritable(0);
    DeleteProcThreadAttributeList(inheritList);
    if (!started) {
        return fail(startError);
    }
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    // A host that runs in a job of its own may forbid another one: the engine then runs
    // without, and only the engine itself is ended by force.
    if (job != nullptr &&
        (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
         !AssignProcessToJobObject(job, created.hProcess))) {
        closeHandle(job);
    }
    SetThreadPriority(created.hThread, THREAD_PRIORITY_BELOW_NORMAL);
    ResumeThread(created.hThread);
    CloseHandle(created.hThread);
    closeHandle(inputRead);
    closeHandle(outputWrite);

    std::lock_guard lock(m_native->stateMutex);
    m_native->process = created.hProcess;
    m_native->job = job;
    m_native->input = inputWrite;
    m_native->output = outputRead;
    m_native->wake = wake;
    m_native->ended = false;
    return true;
}

bool EngineProcess::write(std::string_view text, std::chrono::milliseconds limit) {
    std::lock_guard lock(m_native->inputMutex);
    if (m_native->input == nullptr) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!text.empty()) {
        DWORD written = 0;
        const bool wrote = WriteFile(m_native->input, text.data(), static_cast<DWORD>(text.size()),
                                     &written, nullptr);
        text.remove_prefix(wrote ? written : 0);
        // The engine has closed its input or ended, or has read nothing for too long: it
        // gets nothing more, so a command cut short cannot run into the next one.
        if (!wrote || (written == 0 && std::chrono::steady_clock::now() >= deadline)) {
            closeHandle(m_native->input);
            return false;
        }
        if (written == 0) {
            Sleep(kWriteRetryMs);
        }
    }
    return true;
}

EngineProcess::ReadResult EngineProcess::read(char* buffer, std::size_t size) {
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(m_native->output, nullptr, 0, nullptr, &available, nullptr)) {
            return {GetLastError() == ERROR_BROKEN_PIPE ? ReadResult::Kind::kEnd
                                                        : ReadResult::Kind::kFailed,
                    0};
        }
        if (available > 0 && size > 0) {
            DWORD count = 0;
            const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(available, size));
            if (!ReadFile(m_native->output, buffer, wanted, &count, nullptr)) {
                return {GetLastError() == ERROR_BROKEN_PIPE ? ReadResult::Kind::kEnd
                                                            : ReadResult::Kind::kFailed,
                        0};
            }
            return {ReadResult::Kind::kData, count};
        }
        if (WaitForSingleObject(m_native->wake, kReadPollMs) == WAIT_OBJECT_0) {
            return {ReadResult::Kind::kWoken, 0};
        }
    }
}

void EngineProcess::wake() {
    if (m_native->wake != nullptr) {
        SetEvent(m_native->wake);
    }
}

bool EngineProcess::hasEnded() {
    std::lock_guard lock(m_native->stateMutex);
    if (!m_native->ended && m_native->process != nullptr) {
        m_native->ended = WaitForSingleObject(m_native->process, 0) == WAIT_OBJECT_0;
    }
    return m_native->ended;
}

bool EngineProcess::waitForEnd(std::chrono::milliseconds limit) {
    if (m_native->process == nullptr) {
        return true;
    }
    const DWORD waited = WaitForSingleObject(
        m_native->process, static_cast<DWORD>(std::max<long long>(0, limit.count())));
    return waited == WAIT_OBJECT_0 && hasEnded();
}

void EngineProcess::closeInput() {
    std::lock_guard lock(m_native->inputMutex);
    closeHandle(m_native->input);
}

void EngineProcess::terminate(std::chrono::milliseconds grace) {
    std::lock_guard once(m_native->terminateMutex);
    if (m_native->process == nullptr) {
        return;
    }
    // Windows has no polite signal for a console-less process: the closed input is the
    // engine's cue to end, then it is ended by force, with everything it started. A write
    // that is retrying into a full pipe holds the input; the kill ends that write.
    {
        std::unique_lock input(m_native->inputMutex, std::try_to_lock);
        if (input.owns_lock()) {
            closeHandle(m_native->input);
        }
    }
    if (!waitForEnd(grace)) {
        if (m_native->job == nullptr || !TerminateJobObject(m_native->job, 1)) {
            TerminateProcess(m_native->process, 1);
        }
        waitForEnd(std::chrono::milliseconds(kEndAfterKillMs));
    }
    if (m_native->job != nullptr) {
        TerminateJobObject(m_native->job, 1);
    }
}

void EngineProcess::closeAll() {
    std::lock_guard inputLock(m_native->inputMutex);
    std::lock_guard stateLock(m_native->stateMutex);
    for (HANDLE* handle : {&m_native->input, &m_native->output, &m_native->wake, &m_native->job,
                           &m_native->process}) {
        closeHandle(*handle);
    }
}

} // namespace ferrule
