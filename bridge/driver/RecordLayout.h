#pragma once

#include "LittleEndian.h"

namespace ferrule {

// Byte offsets of the host's report record and search request. Both are little-endian
// byte layouts owned by the host, read and written with the helpers of LittleEndian.h.
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

} // namespace ferrule
