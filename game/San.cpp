#include "San.h"

#include "Square.h"

#include <cctype>

namespace {

bool IsPromotionLetter(char c) {
    return std::string_view("QRBNqrbn").find(c) != std::string_view::npos;
}

bool IsCastlingKingMove(const TPiece& piece, int from, int to) {
    return piece.kind == kind::King && (from == SquareIndex("e1") || from == SquareIndex("e8")) &&
           (to == from + 2 || to == from - 2);
}

// Castling written with letters or zeros: 'c' king side, 'C' queen side, 0 neither.
char CastlingOfText(std::string_view text) {
    if (text == "O-O" || text == "0-0" || text == "o-o") {
        return 'c';
    }
    if (text == "O-O-O" || text == "0-0-0" || text == "o-o-o") {
        return 'C';
    }
    return 0;
}

// Whether a promotion kind is given exactly when the piece's move to `to` promotes.
bool PromotionMatches(const TPiece& piece, int to, const std::string& promotion) {
    const bool promotes = piece.kind == kind::Pawn && (RankOf(to) == 1 || RankOf(to) == 8);
    return promotes != promotion.empty();
}

// Whether `move` is legal for the side to move, promotion included.
bool IsLegalForSideToMove(Game& game, const SanMove& move) {
    const int from = SquareIndex(move.from);
    const int to = SquareIndex(move.to);
    if (from < 0 || to < 0) {
        return false;
    }
    const TPiece& piece = game.Model().board[from].piece;
    if (piece.IsEmpty() || piece.white != game.Model().SideToMove() ||
        !game.IsLegalMove(move.from, move.to, true)) {
        return false;
    }
    return PromotionMatches(piece, to, move.promotion);
}

} // namespace

SanStatus ReadSan(Game& game, std::string_view text, SanMove& move) {
    while (!text.empty() && std::string_view("+#!?").find(text.back()) != std::string_view::npos) {
        text.remove_suffix(1);
    }
    const BoardModel& model = game.Model();
    const std::uint8_t toMove = model.SideToMove();
    if (const char castling = CastlingOfText(text)) {
        move = {toMove ? "e1" : "e8",
                castling == 'c' ? (toMove ? "g1" : "g8") : (toMove ? "c1" : "c8"), ""};
        const TPiece& king = model.At(move.from).piece;
        return king.kind == kind::King && IsLegalForSideToMove(game, move) ? SanStatus::Found
                                                                           : SanStatus::Illegal;
    }

    std::string kind(kind::Pawn);
    const bool letterGiven =
        !text.empty() && std::string_view("PNBRQK").find(text.front()) != std::string_view::npos;
    if (letterGiven) {
        kind = KindOfLetter(text.front());
        text.remove_prefix(1);
    }
    std::string promotion;
    if (text.size() >= 3 && IsPromotionLetter(text.back()) &&
        (text[text.size() - 2] == '=' ||
         std::isdigit(static_cast<unsigned char>(text[text.size() - 2])))) {
        promotion = KindOfLetter(text.back());
        text.remove_suffix(1);
        if (text.back() == '=') {
            text.remove_suffix(1);
        }
    }
    if (text.size() < 2 || SquareIndex(text.substr(text.size() - 2)) < 0) {
        return SanStatus::NotAMove;
    }
    const std::string to(text.substr(text.size() - 2));
    std::string origin;
    for (const char c : text.substr(0, text.size() - 2)) {
        if (c != 'x' && c != '-' && c != ':') {
            origin += c;
        }
    }
    int fromFile = -1;
    int fromRank = -1;
    if (origin.size() == 2 && SquareIndex(origin) >= 0) {
        fromFile = origin[0] - 'a';
        fromRank = origin[1] - '0';
    } else if (origin.size() == 1 && origin[0] >= 'a' && origin[0] <= 'h') {
        fromFile = origin[0] - 'a';
    } else if (origin.size() == 1 && origin[0] >= '1' && origin[0] <= '8') {
        fromRank = origin[0] - '0';
    } else if (!origin.empty()) {
        return SanStatus::NotAMove;
    }
    if (!letterGiven && origin.size() == 2) {
        // Long algebraic without a letter names the piece by its square.
        kind = model.At(origin).piece.kind;
    }

    int found = 0;
    for (const int square : game.LegalOrigins(SquareIndex(to))) {
        const TSquare& from = model.board[square];
        if (from.piece.kind != kind || (fromFile >= 0 && FileOf(square) != fromFile) ||
            (fromRank >= 0 && RankOf(square) != fromRank)) {
            continue;
        }
        if (!PromotionMatches(from.piece, SquareIndex(to), promotion)) {
            continue;
        }
        const SanMove candidate{from.name, to, promotion};
        if (++found == 1) {
            move = candidate;
        }
    }
    return found == 0 ? SanStatus::Illegal : found == 1 ? SanStatus::Found : SanStatus::Ambiguous;
}

std::string SanText(Game& game, const SanMove& move) {
    const BoardModel& model = game.Model();
    const int from = SquareIndex(move.from);
    const int to = SquareIndex(move.to);
    const TPiece& piece = model.board[from].piece;
    if (IsCastlingKingMove(piece, from, to)) {
        return to > from ? "O-O" : "O-O-O";
    }
    const bool capture = !model.board[to].piece.IsEmpty() ||
                         (piece.kind == kind::Pawn && FileOf(from) != FileOf(to));
    std::string text;
    if (piece.kind == kind::Pawn) {
        if (capture) {
            text += move.from[0];
        }
    } else {
        text += KindLetter(piece.kind);
        bool rivals = false;
        bool rivalOnFile = false;
        bool rivalOnRank = false;
        for (const int square : game.LegalOrigins(to)) {
            if (square == from || model.board[square].piece != piece) {
                continue;
            }
            rivals = true;
            rivalOnFile = rivalOnFile || FileOf(square) == FileOf(from);
            rivalOnRank = rivalOnRank || RankOf(square) == RankOf(from);
        }
        // The file if it tells the pieces apart, else the rank, else both.
        if (rivals && !rivalOnFile) {
            text += move.from[0];
        } else if (rivals && !rivalOnRank) {
            text += move.from[1];
        } else if (rivals) {
            text += move.from;
        }
    }
    if (capture) {
        text += 'x';
    }
    text += move.to;
    if (!move.promotion.empty()) {
        text += '=';
        text += KindLetter(move.promotion);
    }
    return text;
}

std::string MakeSanMove(Game& game, const SanMove& move) {
    std::string text = SanText(game, move);
    game.Model().promotionChoice = move.promotion;
    game.MakeMove(move.from, move.to);

    const BoardModel& model = game.Model();
    const std::uint8_t defender = model.SideToMove();
    std::string king;
    for (const TSquare& square : model.board) {
        if (square.piece.kind == kind::King && square.piece.white == defender) {
            king = square.name;
        }
    }
    bool check = false;
    for (const TSquare& square : model.board) {
        if (!king.empty() && !square.piece.IsEmpty() && square.piece.white != defender &&
            game.IsLegalMove(square.name, king, false)) {
            check = true;
            break;
        }
    }
    if (!check) {
        return text;
    }
    for (const TSquare& square : model.board) {
        if (!square.piece.IsEmpty() && square.piece.white == defender &&
            !game.LegalTargets(square.name).empty()) {
            return text + "+";
        }
    }
    return text + "#";
}
