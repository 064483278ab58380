#pragma once

#include <cstdint>

// Stand-in for the outside host's library Quill32: Ferrule imports Func3 from it exactly
// as it would from the real one; a host (or a test) installs the handler that receives
// each notification.
extern "C" {

using QuillHandler = std::int32_t (*)(std::int32_t code, std::int32_t value16, std::int32_t value8,
                                      void* record);

// Passes the notification to the installed handler; returns its result, or 0 without one.
std::int32_t Func3(std::int32_t code, std::int32_t value16, std::int32_t value8, void* record);

// Installs the handler (null removes it). Safe to call from any thread.
void QuillSetHandler(QuillHandler handler);
}
