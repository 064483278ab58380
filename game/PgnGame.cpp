#include "PgnGame.h"

#include "Fen.h"
#include "San.h"

std::string PgnGame::Tag(std::string_view name) const {
    for (const auto& [tag, value] : tags) {
        if (tag == name) {
            return value;
        }
    }
    return {};
}

PgnGameBuilder::PgnGameBuilder(std::function<bool(PgnGame&)> onGame)
    : m_onGame(std::move(onGame)), m_rules(m_display), m_initial(m_rules.Current()) {}

void PgnGameBuilder::BeginGame(std::size_t offset, int line) {
    // Emptied field by field, so that a game the caller left here lends its room to the next.
    m_game.tags.clear();
    m_game.startFen.clear();
    m_game.comment.clear();
    m_game.moves.clear();
    m_game.result.clear();
    m_game.error.clear();
    m_game.errorLine = 0;
    m_game.errorText.clear();
    m_game.offset = offset;
    m_game.line = line;
    m_started = false;
    m_failed = false;
}

void PgnGameBuilder::Tag(std::string_view name, std::string_view value) {
    m_game.tags.emplace_back(std::string(name), PgnTagValue(value));
}

void PgnGameBuilder::Fail(std::string error, std::string_view text, int line) {
    m_failed = true;
    m_game.error = std::move(error);
    m_game.errorText = std::string(text);
    m_game.errorLine = line;
}

bool PgnGameBuilder::StartMoves() {
    if (m_started) {
        return !m_failed;
    }
    m_started = true;
    // The FEN tag is what counts; a SetUp tag without it changes nothing.
    const std::string fen = m_game.Tag("FEN");
    if (fen.empty()) {
        m_position = m_initial;
        return true;
    }
    if (std::string refusal = FenRefusal(fen); !refusal.empty()) {
        Fail("FEN tag refused: " + refusal, "", m_game.line);
        return false;
    }
    m_rules = Game(m_display);
    m_rules.Model().SetUpFromFen(fen);
    m_game.startFen = m_rules.Model().startFen;
    m_position = m_rules.Current();
    return true;
}

bool PgnGameBuilder::Move(std::string_view text, int line) {
    if (!StartMoves()) {
        return false;
    }
    PositionMove move{};
    switch (ReadSanMove(m_position, text, move)) {
    case SanStatus::Found:
        break;
    case SanStatus::NotAMove:
        Fail("not a move \"" + std::string(text) + "\"", text, line);
        return false;
    case SanStatus::Illegal:
        Fail("illegal move \"" + std::string(text) + "\"", text, line);
        return false;
    case SanStatus::Ambiguous:
        Fail("ambiguous move \"" + std::string(text) + "\"", text, line);
        return false;
    }
    m_game.moves.push_back({RecordLine(m_position, move), std::string(text), {}, {}});
    // The same change of the position that MakeMove makes; the records and the display
    // only follow once the game is opened.
    m_position.Make(move.from, move.to, move.promotion);
    return true;
}

void PgnGameBuilder::Comment(std::string_view text) {
    std::string& comment = m_game.moves.empty() ? m_game.comment : m_game.moves.back().comment;
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return;
    }
    text = text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    if (!comment.empty()) {
        comment += ' ';
    }
    comment += text;
}

void PgnGameBuilder::Nag(int nag) {
    if (m_game.moves.empty()) {
        return;
    }
    std::string& nags = m_game.moves.back().nags;
    if (!nags.empty()) {
        nags += ' ';
    }
    nags += '$' + std::to_string(nag);
}

bool PgnGameBuilder::EndGame(std::string_view result, std::size_t) {
    // A game of tags only still has its FEN checked.
    StartMoves();
    m_game.result = !result.empty() ? std::string(result) : m_game.Tag("Result");
    if (m_game.result.empty()) {
        m_game.result = "*";
    }
    return m_onGame(m_game);
}

std::vector<PgnGame> ReadPgnGames(std::string_view text, std::size_t maxGames) {
    std::vector<PgnGame> games;
    PgnGameBuilder builder([&](PgnGame& game) {
        games.push_back(std::move(game));
        return games.size() < maxGames;
    });
    if (maxGames > 0) {
        ReadPgn(text, builder);
    }
    return games;
}

PgnGame ReadPgnGameAt(std::string_view text, std::size_t offset) {
    PgnGame found;
    PgnGameBuilder builder([&](PgnGame& game) {
        found = std::move(game);
        return false;
    });
    ReadPgn(text, builder, offset);
    return found;
}
