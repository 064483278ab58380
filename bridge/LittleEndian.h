#pragma once

#include <cstdint>

namespace ferrule {

// Little-endian fields of byte layouts that are not ours (the host's records, bitmap
// files), read and written byte by byte, so alignment and the machine's byte order do
// not matter.

inline void putLe16(unsigned char* base, int offset, int value) {
    base[offset] = static_cast<unsigned char>(value & 0xFF);
    base[offset + 1] = static_cast<unsigned char>((value >> 8) & 0xFF);
}

inline void putLe32(unsigned char* base, int offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        base[offset + i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
    }
}

inline std::uint32_t getLe32(const unsigned char* base, int offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | base[offset + i];
    }
    return value;
}

inline std::int16_t getLe16(const unsigned char* base, int offset) {
    return static_cast<std::int16_t>(base[offset] | (base[offset + 1] << 8));
}

} // namespace ferrule
