#include "MoveWords.h"

#include "game/Piece.h"

#include <cctype>

namespace {

std::string lowered(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

std::string PieceInWords(const std::string& kind, bool white) {
    if (kind.empty())
        return {};
    return std::string(white ? "white " : "black ") + lowered(kind);
}

std::string MoveInWords(const std::string& recordLine, bool white, const std::string& kind,
                        const std::string& notation) {
    if (recordLine.size() < 4)
        return {};
    const std::string from = recordLine.substr(0, 2);
    const std::string to = recordLine.substr(2, 2);
    const std::string markers = recordLine.substr(4);
    std::string words = white ? "White " : "Black ";
    if (markers.find('c') != std::string::npos) {
        words += "castles kingside";
    } else if (markers.find('C') != std::string::npos) {
        words += "castles queenside";
    } else {
        bool takes = markers.find('E') != std::string::npos;
        std::string promotion;
        for (char marker : markers) {
            if (std::string("pnbrq").find(marker) != std::string::npos)
                takes = true;
            if (std::string("NBRQ").find(marker) != std::string::npos)
                promotion = lowered(KindOfLetter(marker));
        }
        words += lowered(kind) + " " + from + (takes ? " takes " : " to ") + to;
        if (markers.find('E') != std::string::npos)
            words += " en passant";
        if (!promotion.empty())
            words += ", becomes a " + promotion;
    }
    if (!notation.empty() && notation.back() == '#')
        words += ", checkmate";
    else if (!notation.empty() && notation.back() == '+')
        words += ", check";
    return words;
}

std::string PremoveInWords(const std::string& from, const std::string& to,
                           const std::string& promotion) {
    std::string words = "Premove " + from + " to " + to;
    if (!promotion.empty())
        words += ", becomes a " + lowered(promotion);
    return words;
}
