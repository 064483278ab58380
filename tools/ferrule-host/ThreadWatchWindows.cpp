#include "ThreadWatch.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

namespace ferrule_host {

namespace {

// How much of a notifying thread's stack, from its top, is watched for use: more than the
// 32 KiB a plug-in's thread may have, so that outgrowing it shows.
constexpr std::uintptr_t kWatchedDepth = 48 * 1024;
// Left alone at the bottom of a reservation: the system's guard pages.
constexpr std::uintptr_t kGuardArea = 16 * 1024;
// What the watched part holds until a call writes over it.
constexpr std::uint32_t kPaint = 0x5EA1F00D;
// Left unpainted below the painting function's frame.
constexpr std::uintptr_t kFrameMargin = 256;

struct ThreadRecord {
    bool createdByPlugin = false;
    SIZE_T stackRequest = 0;
    DWORD creationFlags = 0;
    std::set<int> codes;
    std::uintptr_t top = 0;     // the stack's highest address, where it starts
    std::uintptr_t bottom = 0;  // the lowest painted address; 0 before painting
    std::uintptr_t reserve = 0; // the stack's whole reservation
    std::uintptr_t deepest = 0; // the most of it in use at any one time, so far
};

std::mutex g_mutex;
std::map<DWORD, ThreadRecord> g_threads; // under g_mutex
decltype(&CreateThread) g_createThread = nullptr;

// Created suspended, so that the thread is on record before it can notify.
HANDLE WINAPI recordingCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stackSize,
                                    LPTHREAD_START_ROUTINE start, LPVOID argument, DWORD flags,
                                    LPDWORD threadId) {
    DWORD id = 0;
    const HANDLE thread =
        g_createThread(security, stackSize, start, argument, flags | CREATE_SUSPENDED, &id);
    if (thread == nullptr) {
        return nullptr;
    }
    {
        std::lock_guard lock(g_mutex);
        ThreadRecord& record = g_threads[id];
        record.createdByPlugin = true;
        record.stackRequest = stackSize;
        record.creationFlags = flags;
    }
    if (threadId != nullptr) {
        *threadId = id;
    }
    if ((flags & CREATE_SUSPENDED) == 0) {
        ResumeThread(thread);
    }
    return thread;
}

// Points the module's import of `function` from `library` at `replacement`; returns what
// it pointed at before, or null when the module does not import it.
void* replaceImport(HMODULE module, const char* library, const char* function, void* replacement) {
    auto* base = reinterpret_cast<unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    for (; imports.VirtualAddress != 0 && entry->Name != 0; ++entry) {
        if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), library) != 0) {
            continue;
        }
        auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) {
                continue;
            }
            const auto* named =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(named->Name), function) != 0) {
                continue;
            }
            DWORD protection = 0;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE,
                           &protection);
            void* previous = reinterpret_cast<void*>(slot->u1.Function);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
            return previous;
        }
    }
    return nullptr;
}

// Fills the stack from a little below the caller's frame down to `bottom`.
__attribute__((noinline)) void paintStackDownTo(std::uintptr_t bottom) {
    volatile std::uint32_t here = 0;
    const std::uintptr_t start = (reinterpret_cast<std::uintptr_t>(&here) - kFrameMargin) & ~3u;
    for (auto word = start; word >= bottom; word -= 4) {
        *reinterpret_cast<volatile std::uint32_t*>(word) = kPaint;
    }
}

// The lowest address written since painting: the paint is gone from there up.
std::uintptr_t lowestWritten(std::uintptr_t bottom, std::uintptr_t top) {
    std::uintptr_t word = bottom;
    while (word < top && *reinterpret_cast<volatile std::uint32_t*>(word) == kPaint) {
        word += 4;
    }
    return word;
}

} // namespace

void watchPluginThreads(void* library) {
    void* previous = replaceImport(static_cast<HMODULE>(library), "kernel32.dll", "CreateThread",
                                   reinterpret_cast<void*>(&recordingCreateThread));
    if (previous != nullptr) {
        g_createThread = reinterpret_cast<decltype(&CreateThread)>(previous);
    }
}

void noteNotification(int code) {
    // The stack's written part runs from here up to its top without a change of protection;
    // its reservation begins at the region's allocation base.
    MEMORY_BASIC_INFORMATION region{};
    VirtualQuery(&region, &region, sizeof region);
    const auto top = reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
    const auto low = reinterpret_cast<std::uintptr_t>(region.AllocationBase);
    std::lock_guard lock(g_mutex);
    ThreadRecord& record = g_threads[GetCurrentThreadId()];
    record.codes.insert(code);
    if (record.bottom == 0) {
        record.top = top;
        record.reserve = top - low;
        record.bottom = std::max<std::uintptr_t>(top - kWatchedDepth, low + kGuardArea);
        paintStackDownTo(record.bottom);
        return;
    }
    record.deepest =
        std::max(record.deepest, record.top - lowestWritten(record.bottom, record.top));
}

std::vector<std::string> notificationThreads() {
    std::lock_guard lock(g_mutex);
    std::vector<std::string> lines;
    for (const auto& [id, record] : g_threads) {
        if (record.codes.empty()) {
            continue;
        }
        std::string line = "thread plugin-created=";
        if (record.createdByPlugin) {
            const bool reservation =
                (record.creationFlags & STACK_SIZE_PARAM_IS_A_RESERVATION) != 0;
            line += "yes stack-request=" + std::to_string(record.stackRequest) +
                    " reservation=" + (reservation ? "yes" : "no");
        } else {
            line += "no";
        }
        line += " reserve=" + std::to_string(record.reserve) + " codes=";
        for (const int code : record.codes) {
            line += std::to_string(code) + (code == *record.codes.rbegin() ? "" : ",");
        }
        lines.push_back(line + " deepest=" + std::to_string(record.deepest));
    }
    return lines;
}

} // namespace ferrule_host
