#include "SearchRequest.h"

#include "RecordLayout.h"

#include <algorithm>

namespace ferrule {

SearchRequest SearchRequest::read(const unsigned char* bytes) {
    SearchRequest request;
    std::copy_n(bytes + request::kBoard, 64, request.board.begin());
    request.fromStart = bytes[request::kFromStart] != 0;
    request.whiteToMove = bytes[request::kSide] != 0;
    request.enPassant = bytes[request::kEnPassant];
    request.castling = bytes[request::kCastling];
    const int count = std::clamp<int>(getLe16(bytes, request::kMoveCount), 0, request::kMaxMoves);
    for (int i = 0; i < count; ++i) {
        request.moves.push_back(static_cast<MoveCode>(getLe16(bytes, request::kMoves + 2 * i)));
    }
    request.mode = getLe16(bytes, request::kMode);
    request.remaining = static_cast<std::int32_t>(getLe32(bytes, request::kRemaining));
    request.increment = static_cast<std::int32_t>(getLe32(bytes, request::kIncrement));
    request.used = static_cast<std::int32_t>(getLe32(bytes, request::kUsed));
    request.toPlay = getLe16(bytes, request::kToPlay);
    request.played = getLe16(bytes, request::kPlayed);
    request.depth = getLe16(bytes, request::kDepth);
    request.ponder = getLe16(bytes, request::kPonder) != 0;
    return request;
}

} // namespace ferrule
