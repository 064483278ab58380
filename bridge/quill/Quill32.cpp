#include "Quill32.h"

#include <atomic>

namespace {
std::atomic<QuillHandler> g_handler{nullptr};
}

extern "C" {

std::int32_t Func3(std::int32_t code, std::int32_t value16, std::int32_t value8, void* record) {
    const QuillHandler handler = g_handler.load();
    return handler ? handler(code, value16, value8, record) : 0;
}

void QuillSetHandler(QuillHandler handler) {
    g_handler.store(handler);
}
}
