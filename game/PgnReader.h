#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Walks PGN text and tells a visitor what it finds, game by game. One walker serves the
// full read of a game, the index of a file and the benchmarks: each is a visitor.
//
// Lenient as the common readers are: a UTF-8 byte-order mark, CR LF line ends, "%" escape
// lines, comments "{...}" and ";..." anywhere, move numbers with or without a blank
// ("1.e4", "1... e5"), NAGs as "$n" or as "!", "?", "!?"... Variations "(...)", nested
// too, are skipped: only the main line reaches the visitor. A game ends at its result
// ("1-0", "0-1", "1/2-1/2", "*"), at a tag that follows movetext, or at the end of the
// text; text of no game (a stray "]", a lone move number) is passed over.
class PgnVisitor {
public:
    virtual ~PgnVisitor() = default;

    // A game starts at byte `offset` of the text, on line `line` (counted from 1).
    virtual void BeginGame(std::size_t offset, int line) = 0;
    // A tag pair, the value with its escapes ("\"", "\\") still in it; see PgnTagValue.
    virtual void Tag(std::string_view name, std::string_view value) = 0;
    // A move of the main line as written, without move number. Returning false skips the
    // rest of this game's movetext: no further moves, comments or NAGs of it are reported.
    virtual bool Move(std::string_view text, int line) = 0;
    // A comment of the main line, without its braces or semicolon.
    virtual void Comment(std::string_view text) = 0;
    // A NAG of the main line: 1 for "!", 2 "?", 3 "!!", 4 "??", 5 "!?", 6 "?!", else $n.
    virtual void Nag(int nag) = 0;
    // The game ends; `result` is its result token, or empty when it ended without one.
    // Returning false stops the walk.
    virtual bool EndGame(std::string_view result, std::size_t endOffset) = 0;
};

// Walks all of `text` from `offset`, calling the visitor for every game.
void ReadPgn(std::string_view text, PgnVisitor& visitor, std::size_t offset = 0);

// A tag value with its escapes undone and, when it is not valid UTF-8, read as Latin-1
// (as older files write names): the result is UTF-8.
std::string PgnTagValue(std::string_view raw);
