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

Cell KindCellOfLetter(char letter) {
    switch (letter) {
    case 'P':
        return cell::Pawn;
    case 'N':
        return cell::Knight;
    case 'B':
        return cell::Bishop;
    case 'R':
        return cell::Rook;
    case 'Q':
        return cell::Queen;
    case 'K':
        return cell::King;
    default:
        return cell::Empty;
    }
}

// The letter of a kind cell in notation, upper case.
char LetterOfKindCell(Cell kind) {
    static constexpr char kLetters[] = " PNBRQK?";
    return kLetters[KindOfCell(kind)];
}

// Whether a promotion kind is given exactly when the piece's move to `to` promotes.
bool PromotionMatches(Cell piece, int to, Cell promotion) {
    const bool promotes = KindOfCell(piece) == cell::Pawn && (RankOf(to) == 1 || RankOf(to) == 8);
    return promotes != (promotion == cell::Empty);
}

int SquareOfText(std::string_view text) {
    return text.size() == 2 ? SquareIndex(text) : -1;
}

} // namespace

SanStatus ReadSanMove(const Position& position, std::string_view text, PositionMove& move) {
    while (!text.empty() && std::string_view("+#!?").find(text.back()) != std::string_view::npos) {
        text.remove_suffix(1);
    }
    const std::uint8_t toMove = position.SideToMove();
    if (const char castling = CastlingOfText(text)) {
        const int from = toMove ? 60 : 4; // e1, e8
        move = {from, castling == 'c' ? from + 2 : from - 2, cell::Empty};
        return position.At(from) == MakeCell(cell::King, toMove) &&
                       position.IsLegalMove(from, move.to, true)
                   ? SanStatus::Found
                   : SanStatus::Illegal;
    }

    Cell kind = cell::Pawn;
    const bool letterGiven =
        !text.empty() && std::string_view("PNBRQK").find(text.front()) != std::string_view::npos;
    if (letterGiven) {
        kind = KindCellOfLetter(text.front());
        text.remove_prefix(1);
    }
    Cell promotion = cell::Empty;
    if (text.size() >= 3 && IsPromotionLetter(text.back()) &&
        (text[text.size() - 2] == '=' ||
         std::isdigit(static_cast<unsigned char>(text[text.size() - 2])))) {
        promotion = KindCellOfLetter(static_cast<char>(text.back() & ~0x20));
        text.remove_suffix(1);
        if (text.back() == '=') {
            text.remove_suffix(1);
        }
    }
    const int to = text.size() >= 2 ? SquareOfText(text.substr(text.size() - 2)) : -1;
    if (to < 0) {
        return SanStatus::NotAMove;
    }
    char origin[2] = {};
    std::size_t originSize = 0;
    for (const char c : text.substr(0, text.size() - 2)) {
        if (c == 'x' || c == '-' || c == ':') {
            continue;
        }
        if (originSize == 2) {
            return SanStatus::NotAMove;
        }
        origin[originSize++] = c;
    }
    const int originSquare = SquareOfText(std::string_view(origin, originSize));
    int fromFile = -1;
    int fromRank = -1;
    if (originSquare >= 0) {
        fromFile = FileOf(originSquare);
        fromRank = RankOf(originSquare);
        if (!letterGiven) {
            // Long algebraic without a letter names the piece by its square.
            kind = KindOfCell(position.At(originSquare));
        }
    } else if (originSize == 1 && origin[0] >= 'a' && origin[0] <= 'h') {
        fromFile = origin[0] - 'a';
    } else if (originSize == 1 && origin[0] >= '1' && origin[0] <= '8') {
        fromRank = origin[0] - '0';
    } else if (originSize != 0) {
        return SanStatus::NotAMove;
    }

    const Cell piece = MakeCell(kind, toMove);
    if (kind == cell::Empty || !PromotionMatches(piece, to, promotion)) {
        return SanStatus::Illegal;
    }
    int found = 0;
    for (int square = 0; square < 64; ++square) {
        if (position.At(square) != piece || (fromFile >= 0 && FileOf(square) != fromFile) ||
            (fromRank >= 0 && RankOf(square) != fromRank) ||
            !position.IsLegalMove(square, to, true)) {
            continue;
        }
        if (++found == 1) {
            move = {square, to, promotion};
        }
    }
    return found == 0 ? SanStatus::Illegal : found == 1 ? SanStatus::Found : SanStatus::Ambiguous;
}

SanStatus ReadSan(Game& game, std::string_view text, SanMove& move) {
    PositionMove found{};
    const SanStatus status = ReadSanMove(game.Current(), text, found);
    if (status == SanStatus::Found) {
        move = {SquareName(found.from), SquareName(found.to),
                found.promotion == cell::Empty ? std::string()
                                               : KindOfLetter(LetterOfKindCell(found.promotion))};
    }
    return status;
}

std::string RecordLine(const Position& position, const PositionMove& move) {
    const Cell moving = position.At(move.from);
    const Cell captured = position.At(move.to);
    // Built in place: one line per move of every game of a file.
    char line[8] = {
        static_cast<char>('a' + FileOf(move.from)), static_cast<char>('0' + RankOf(move.from)),
        static_cast<char>('a' + FileOf(move.to)), static_cast<char>('0' + RankOf(move.to))};
    std::size_t size = 4;
    if (KindOfCell(moving) == cell::Pawn && FileOf(move.from) != FileOf(move.to) &&
        captured == cell::Empty) {
        line[size++] = 'E';
    }
    if (KindOfCell(moving) == cell::King && (move.from == 60 || move.from == 4) &&
        (move.to == move.from + 2 || move.to == move.from - 2)) {
        line[size++] = move.to > move.from ? 'c' : 'C';
    }
    if (captured != cell::Empty) {
        line[size++] = static_cast<char>(std::tolower(LetterOfKindCell(captured)));
    }
    if (move.promotion != cell::Empty) {
        line[size++] = LetterOfKindCell(move.promotion);
    }
    return std::string(line, size);
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
