#pragma once

#include <string>

// Moves and squares said in words, for people who listen to the board.

// "white pawn", "black knight"; empty for no piece.
std::string PieceInWords(const std::string& kind, bool white);

// A made move in words from its move record line ("f6e4p"), the colour and kind of the
// piece that moved (a pawn for a promotion) and the notation the move list shows, with its
// "+" or "#": "Black knight f6 takes e4, check", "White castles kingside",
// "White pawn e7 takes d8, becomes a queen, checkmate". Empty for a line that is no move.
std::string MoveInWords(const std::string& recordLine, bool white, const std::string& kind,
                        const std::string& notation);

// A premove in words, from its squares' names and the kind it promotes to (empty for none):
// "Premove g1 to f3", "Premove b7 to b8, becomes a knight".
std::string PremoveInWords(const std::string& from, const std::string& to,
                           const std::string& promotion);
