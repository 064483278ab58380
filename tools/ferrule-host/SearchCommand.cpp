#include "SearchCommand.h"

#include "driver/RecordLayout.h"

#include <cstdlib>
#include <map>

namespace ferrule_host {

using namespace ferrule;

namespace {

bool parseSquare(const std::string& text, std::size_t at, int& square) {
    if (at + 1 >= text.size() + 0 || text[at] < 'a' || text[at] > 'h' || text[at + 1] < '1' ||
        text[at + 1] > '8') {
        return false;
    }
    square = makeSquare(text[at] - 'a', text[at + 1] - '1');
    return true;
}

bool parseMove(const std::string& text, std::uint16_t& move) {
    int from = 0;
    int to = 0;
    if (text.size() < 4 || !parseSquare(text, 0, from) || !parseSquare(text, 2, to)) {
        return false;
    }
    int promotion = 0;
    if (text.size() > 4) {
        const std::map<char, int> kPromotions{{'q', kPromoteQueen},
                                              {'r', kPromoteRook},
                                              {'b', kPromoteBishop},
                                              {'n', kPromoteKnight}};
        const auto found = kPromotions.find(text[4]);
        if (found == kPromotions.end()) {
            return false;
        }
        promotion = found->second;
    }
    move = makeMoveCode(from, to, promotion);
    return true;
}

bool parseFen(const std::vector<std::string>& fields, SearchCommand& command, std::string& error) {
    if (fields.size() < 4) {
        error = "fen needs placement, side, castling and en-passant fields";
        return false;
    }
    std::array<std::uint8_t, 64> board{};
    int rank = 7;
    int file = 0;
    const std::string kLetters = "pnbrqk";
    for (const char c : fields[0]) {
        if (c == '/') {
            --rank;
            file = 0;
        } else if (c >= '1' && c <= '8') {
            file += c - '0';
        } else {
            const std::size_t type = kLetters.find(static_cast<char>(std::tolower(c)));
            if (type == std::string::npos || rank < 0 || file > 7) {
                error = "bad fen placement";
                return false;
            }
            board[makeSquare(file++, rank)] =
                static_cast<std::uint8_t>((type + 1) | (std::islower(c) ? kBlackBit : 0));
        }
    }
    auto& bytes = command.request;
    std::copy(board.begin(), board.end(), bytes.begin() + request::kBoard);
    bytes[request::kFromStart] = 0;
    bytes[request::kSide] = fields[1] == "w" ? 1 : 0;
    int castling = 0;
    for (const char c : fields[2]) {
        castling |= c == 'K' ? 1 : c == 'Q' ? 2 : c == 'k' ? 4 : c == 'q' ? 8 : 0;
    }
    bytes[request::kCastling] = static_cast<unsigned char>(castling);
    int enPassant = 0;
    if (fields[3] != "-" && parseSquare(fields[3], 0, enPassant)) {
        bytes[request::kEnPassant] = static_cast<unsigned char>(enPassant);
    }
    command.position = Position::fromBoard(board.data(), fields[1] == "w" ? kWhite : kBlack);
    command.position.enPassant = enPassant;
    return true;
}

int number(const std::vector<std::string>& words, std::size_t at) {
    return at < words.size() ? std::atoi(words[at].c_str()) : 0;
}

bool isKeyword(const std::string& word) {
    return word == "moves" || word == "depth" || word == "inc" || word == "period" ||
           word == "infinite" || word == "ponder";
}

} // namespace

std::optional<SearchCommand> parseSearchCommand(const std::vector<std::string>& words,
                                                std::string& error) {
    SearchCommand command;
    auto& bytes = command.request;
    std::size_t at = 0;
    if (at < words.size() && words[at] == "start") {
        bytes[request::kFromStart] = 1;
        command.position = Position::initial();
        ++at;
    } else if (at < words.size() && words[at] == "fen") {
        std::vector<std::string> fields;
        for (++at; at < words.size() && !isKeyword(words[at]); ++at) {
            fields.push_back(words[at]);
        }
        if (!parseFen(fields, command, error)) {
            return std::nullopt;
        }
    } else {
        error = "a search starts with 'start' or 'fen'";
        return std::nullopt;
    }
    int mode = 0;
    while (at < words.size()) {
        const std::string& word = words[at++];
        if (word == "moves") {
            for (std::uint16_t move = 0; at < words.size() && parseMove(words[at], move); ++at) {
                command.moves.push_back(move);
            }
        } else if (word == "depth") {
            mode = 1;
            putLe16(bytes.data(), request::kDepth, number(words, at++));
        } else if (word == "inc") {
            mode = 2;
            putLe32(bytes.data(), request::kRemaining, number(words, at));
            putLe32(bytes.data(), request::kIncrement, number(words, at + 1));
            putLe32(bytes.data(), request::kUsed, number(words, at + 2));
            putLe16(bytes.data(), request::kPlayed, number(words, at + 3));
            at += 2;
        } else if (word == "period") {
            mode = 3;
            putLe32(bytes.data(), request::kRemaining, number(words, at));
            putLe16(bytes.data(), request::kToPlay, number(words, at + 1));
            putLe32(bytes.data(), request::kUsed, number(words, at + 2));
            putLe16(bytes.data(), request::kPlayed, number(words, at + 3));
            at += 2;
        } else if (word == "infinite") {
            mode = 0;
        } else if (word == "ponder") {
            putLe16(bytes.data(), request::kPonder, 1);
        } else if (!word.empty() && std::isdigit(static_cast<unsigned char>(word[0]))) {
            continue; // the optional used-time and played-moves figures
        } else {
            error = "unknown search word '" + word + "'";
            return std::nullopt;
        }
    }
    putLe16(bytes.data(), request::kMode, mode);
    putLe16(bytes.data(), request::kMoveCount, static_cast<int>(command.moves.size()));
    for (std::size_t i = 0; i < command.moves.size() && i < request::kMaxMoves; ++i) {
        putLe16(bytes.data(), request::kMoves + 2 * static_cast<int>(i), command.moves[i]);
    }
    return command;
}

Position positionAfter(const SearchCommand& command) {
    Position position = command.position;
    for (const std::uint16_t move : command.moves) {
        position.apply(move);
    }
    return position;
}

} // namespace ferrule_host
