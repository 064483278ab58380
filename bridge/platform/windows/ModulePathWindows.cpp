#include "platform/ModulePath.h"

#include <windows.h>

namespace ferrule {

namespace {

void anchor() {}

// Longer names than this are refused later anyway; a name cut off by the buffer is no name.
constexpr DWORD kBuffer = 1024;

} // namespace

std::string ownModulePath() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&anchor), &module)) {
        return {};
    }
    char name[kBuffer];
    const DWORD length = GetModuleFileNameA(module, name, kBuffer);
    if (length == 0 || length >= kBuffer) {
        return {};
    }
    // A short 8.3 name (KNIGHT~1.ENG) would give another plug-in name: use the long one,
    // with the case the files have on disk.
    char longName[kBuffer];
    const DWORD longLength = GetLongPathNameA(name, longName, kBuffer);
    if (longLength > 0 && longLength < kBuffer) {
        return std::string(longName, longLength);
    }
    return std::string(name, length);
}

} // namespace ferrule
