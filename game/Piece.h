#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The records of the board model. A piece kind is its English name; the empty
// text is "no piece". Colour is a byte: 1 White, 0 Black (0 for the empty piece too,
// so a test for a Black piece must also test that the square is occupied).

namespace kind {
inline constexpr std::string_view Pawn = "Pawn";
inline constexpr std::string_view Knight = "Knight";
inline constexpr std::string_view Bishop = "Bishop";
inline constexpr std::string_view Rook = "Rook";
inline constexpr std::string_view Queen = "Queen";
inline constexpr std::string_view King = "King";
} // namespace kind

// Index into the display's piece image list, 0..11 in piece-table order
// (white pawn, black pawn, white knight, ... black king). The rules never read it.
using PieceImage = int;
constexpr PieceImage kNoImage = -1;

struct TPiece {
    std::string kind; // "Pawn" .. "King", or empty
    std::uint8_t white = 0;
    PieceImage image = kNoImage;

    bool IsEmpty() const { return kind.empty(); }
    bool operator==(const TPiece&) const = default;
};

struct TSquare {
    std::string name; // set once, never changed
    TPiece piece;
};

// Piece-table entries that the rules copy by number.
enum PieceEntry : int {
    kWhitePawn = 0,
    kBlackPawn = 1,
    kWhiteKnight = 2,
    kBlackKnight = 3,
    kWhiteBishop = 4,
    kBlackBishop = 5,
    kWhiteRook = 6,
    kBlackRook = 7,
    kWhiteQueen = 8,
    kBlackQueen = 9,
    kWhiteKing = 10,
    kBlackKing = 11,
    kEmptyPiece = 12,
    kScratch = 13,
    kPieceTableSize = 14,
};

// The piece-table entry of a kind in a colour, or kEmptyPiece for the empty kind.
int PieceEntryOf(std::string_view kind, std::uint8_t white);

// The letter of a kind in notation and files: first letter, "N" for a knight.
char KindLetter(std::string_view kind);

// The kind named by a notation letter (either case: "q", "N", ...), or empty for any other letter.
std::string KindOfLetter(char letter);

// The kind a promotion letter names: "Queen", "Rook", "Bishop" or "Knight" for "q", "r",
// "b", "n" in either case; empty for any other letter. The one reading of the letter that
// the peer link, the engine replies and the rules share.
std::string PromotionKindOfLetter(char letter);
