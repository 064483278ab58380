#include "HostPlatform.h"

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>

namespace ferrule_host {

namespace {

struct ProcessEntry {
    DWORD id;
    DWORD parent;
};

std::vector<ProcessEntry> allProcesses(bool& known) {
    std::vector<ProcessEntry> entries;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    known = snapshot != INVALID_HANDLE_VALUE;
    if (!known) {
        return entries;
    }
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        entries.push_back({entry.th32ProcessID, entry.th32ParentProcessID});
    }
    CloseHandle(snapshot);
    return entries;
}

} // namespace

void* loadLibrary(const std::string& path, std::string& error) {
    HMODULE library = LoadLibraryA(path.c_str());
    if (library == nullptr) {
        error = "error " + std::to_string(GetLastError());
    }
    return reinterpret_cast<void*>(library);
}

void* librarySymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void unloadLibrary(void* library) {
    FreeLibrary(static_cast<HMODULE>(library));
}

std::vector<int> childProcesses() {
    bool known = false;
    std::vector<int> children;
    for (const ProcessEntry& entry : allProcesses(known)) {
        if (entry.parent == GetCurrentProcessId()) {
            children.push_back(static_cast<int>(entry.id));
        }
    }
    return children;
}

// Windows has no process groups: the engines, their children and this host's children.
int leftoverProcesses(const std::vector<int>& engines) {
    bool known = false;
    const std::vector<ProcessEntry> entries = allProcesses(known);
    const auto isEngine = [&](DWORD id) {
        return std::find(engines.begin(), engines.end(), static_cast<int>(id)) != engines.end();
    };
    int count = 0;
    for (const ProcessEntry& entry : entries) {
        const bool ours =
            entry.parent == GetCurrentProcessId() || isEngine(entry.id) || isEngine(entry.parent);
        count += ours ? 1 : 0;
    }
    return known ? count : -1;
}

// Only a real GDI bitmap tells its size.
std::string describeLogo(void* handle) {
    BITMAP bitmap{};
    if (GetObjectA(static_cast<HGDIOBJ>(handle), sizeof bitmap, &bitmap) != sizeof bitmap) {
        return "loaded, not a bitmap";
    }
    return "loaded " + std::to_string(bitmap.bmWidth) + "x" + std::to_string(bitmap.bmHeight);
}

void killProcesses(const std::vector<int>& engines) {
    for (const int id : engines) {
        const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(id));
        if (process != nullptr) {
            TerminateProcess(process, 1);
            CloseHandle(process);
        }
    }
}

} // namespace ferrule_host
