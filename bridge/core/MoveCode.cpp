#include "MoveCode.h"

namespace ferrule {

std::string squareName(int square) {
    return {static_cast<char>('a' + squareFile(square)),
            static_cast<char>('1' + squareRank(square))};
}

std::string moveText(MoveCode move) {
    std::string text = squareName(moveFrom(move)) + squareName(moveTo(move));
    if (movePromotion(move) != 0) {
        text += "qrbn"[movePromotion(move) % 4];
    }
    return text;
}

} // namespace ferrule
