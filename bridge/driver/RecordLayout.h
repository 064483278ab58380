#pragma once

#include <cstdint>

namespace ferrule {

// Byte offsets of the host's report record and search request. Both are little-endian
// byte layouts owned by the host; they are read and written byte by byte, so alignment
// and the machine's byte order do not matter.
namespace report {
constexpr int kNotifyThird = 8;
constexpr int kNotifySecond = 16;
constexpr int kMainLineMark = 20;
constexpr int kScore = 24;
constexpr int kMainLineCount = 26;
constexpr int kMainLine = 28;
constexpr int kTime = 92;
constexpr int kDepth = 96;
constexpr int kSecondDepth = 98;
constexpr int kMoveNumber = 100;
constexpr int kMoveTotal = 102;
constexpr int kCurrentMove = 104;
constexpr int kNodesMark = 106;
constexpr int kHostValue = 108;
constexpr int kNodesLow = 112;
constexpr int kNodesHigh = 116;
constexpr int kSize = 120;
} // namespace report

namespace request {
constexpr int kBoard = 28;
constexpr int kFromStart = 92;
constexpr int kSide = 93;
constexpr int kEnPassant = 94;
constexpr int kCastling = 95;
constexpr int kMoves = 96;
constexpr int kMoveCount = 1120;
constexpr int kMode = 1122;
constexpr int kRemaining = 1124;
constexpr int kIncrement = 1128;
constexpr int kUsed = 1132;
constexpr int kToPlay = 1136;
constexpr int kPlayed = 1138;
constexpr int kDepth = 1140;
constexpr int kPonder = 1142;
constexpr int kSize = 1144;
constexpr int kMaxMoves = 512;
} // namespace request

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
