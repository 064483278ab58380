// The functions the host calls, with C linkage. Addresses are pointers; every other
// argument and result is a 32-bit integer. No exception leaves this file.

#include "Plugin.h"
#include "platform/ModulePath.h"

#include <cstdint>

#define FERRULE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Paths are worked out once, as the library is loaded into the host. The plug-in is never
// destroyed: a destructor would run while the library is unloaded (on Windows inside the
// loader's lock, where waiting for the reader thread, which needs that lock to end, hangs
// the host). A connection the host left open ends with the host, or its engine ends on
// the closed pipe.
ferrule::Plugin& g_plugin = *new ferrule::Plugin(ferrule::ownModulePath());

constexpr std::int32_t kHostConstant8 = 2400;
constexpr std::int32_t kHostConstant12 = 67117072;

template <typename Call> auto guarded(Call call, decltype(call()) onFailure) noexcept {
    try {
        return call();
    } catch (...) {
        return onFailure;
    }
}

template <typename Call> void guardedVoid(Call call) noexcept {
    try {
        call();
    } catch (...) {
    }
}

} // namespace

FERRULE_EXPORT std::int32_t Eng1(void* record, std::int32_t, std::int32_t, std::int32_t,
                                 std::int32_t, std::int32_t hostValue, std::int32_t, std::int32_t) {
    return guarded([&] { return g_plugin.open(static_cast<unsigned char*>(record), hostValue); },
                   9);
}

FERRULE_EXPORT std::int32_t Eng2() {
    return guarded([] { return g_plugin.close(); }, 1);
}

FERRULE_EXPORT void Eng3() {
    guardedVoid([] { g_plugin.stop(); });
}

FERRULE_EXPORT std::int32_t Eng4() {
    return guarded([] { return g_plugin.searching() ? 1 : 0; }, 0);
}

FERRULE_EXPORT std::int32_t Eng5() {
    return guarded([] { return g_plugin.connected() ? 1 : 0; }, 0);
}

FERRULE_EXPORT const char* Eng6() {
    return guarded([] { return g_plugin.author(); }, static_cast<const char*>(""));
}

FERRULE_EXPORT const char* Eng7() {
    return guarded([] { return g_plugin.engineName(); }, static_cast<const char*>(""));
}

FERRULE_EXPORT std::int32_t Eng8() {
    return kHostConstant8;
}

FERRULE_EXPORT void Eng9(const void* request) {
    guardedVoid([&] { g_plugin.search(static_cast<const unsigned char*>(request)); });
}

FERRULE_EXPORT void Eng10() {
    guardedVoid([] { g_plugin.ponderHit(); });
}

FERRULE_EXPORT void Eng11() {}

FERRULE_EXPORT std::int32_t Eng12() {
    return kHostConstant12;
}

FERRULE_EXPORT void Eng15() {
    guardedVoid([] { g_plugin.reset(); });
}

FERRULE_EXPORT void* Eng19() {
    return guarded([] { return g_plugin.logo(); }, static_cast<void*>(nullptr));
}

FERRULE_EXPORT void ShowDepth(std::int32_t depth, std::int32_t secondDepth) {
    guardedVoid([&] { g_plugin.showDepth(depth, secondDepth); });
}

FERRULE_EXPORT std::int32_t ShowMainline(const std::uint16_t* moves, std::int32_t count,
                                         std::int32_t score) {
    return guarded([&] { return g_plugin.showMainline(moves, count, score); }, 0);
}

FERRULE_EXPORT std::int32_t ShowMove(std::int32_t move, std::int32_t number, std::int32_t total) {
    return guarded([&] { return g_plugin.showMove(move, number, total); }, 0);
}

FERRULE_EXPORT std::int32_t ShowNodes(std::uint32_t low, std::uint32_t high) {
    return guarded([&] { return g_plugin.showNodes(low, high); }, 0);
}
