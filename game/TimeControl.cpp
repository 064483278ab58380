// Typed time controls: the forms people write on tournament sheets and in chess programs.

#include "TimeControl.h"

#include <cctype>
#include <cstdint>

namespace {

constexpr int kMaxSessions = 4;
constexpr int kMaxMoves = 200;
constexpr std::int64_t kMaxBaseMinutes = 600;
constexpr std::int64_t kMaxIncrementSeconds = 600;
constexpr std::int64_t kMicrosPerSecond = 1'000'000;
constexpr int kMaxDecimals = 3;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

// A non-negative decimal number of units, up to `limit` units, as microseconds; no sign,
// no exponent, at most three decimals, so that "0.5" is exact.
std::optional<ClockTime> readAmount(std::string_view text, std::int64_t microsPerUnit,
                                    std::int64_t limit) {
    text = trimmed(text);
    std::int64_t whole = 0;
    std::size_t at = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        whole = whole * 10 + (text[at] - '0');
        if (whole > limit) {
            return std::nullopt;
        }
    }
    if (at == 0) {
        return std::nullopt;
    }
    std::int64_t fraction = 0;
    std::int64_t scale = 1;
    if (at < text.size() && text[at] == '.') {
        ++at;
        int decimals = 0;
        for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
            if (++decimals > kMaxDecimals) {
                return std::nullopt;
            }
            fraction = fraction * 10 + (text[at] - '0');
            scale *= 10;
        }
        if (decimals == 0) {
            return std::nullopt;
        }
    }
    if (at != text.size() || (whole == limit && fraction > 0)) {
        return std::nullopt;
    }
    return ClockTime(whole * microsPerUnit + fraction * microsPerUnit / scale);
}

std::optional<int> readMoves(std::string_view text) {
    text = trimmed(text);
    if (text.empty() || text.size() > 3) {
        return std::nullopt;
    }
    int moves = 0;
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
        moves = moves * 10 + (c - '0');
    }
    if (moves < 1 || moves > kMaxMoves) {
        return std::nullopt;
    }
    return moves;
}

// One session, or the reason it cannot be one.
std::optional<TimeSession> readSession(std::string_view text, std::string& error) {
    TimeSession session;
    if (const auto slash = text.find('/'); slash != std::string_view::npos) {
        const auto moves = readMoves(text.substr(0, slash));
        if (!moves) {
            error = "the number of moves before '/' must be a whole number from 1 to 200";
            return std::nullopt;
        }
        session.moves = *moves;
        text = text.substr(slash + 1);
    }
    std::string_view minutes = text;
    std::string_view seconds;
    const auto plus = text.find('+');
    if (plus != std::string_view::npos) {
        minutes = text.substr(0, plus);
        seconds = text.substr(plus + 1);
    } else if (session.moves == 0) {
        error = "give the increment too, in seconds after a '+': \"5+0\" is five minutes";
        return std::nullopt;
    }
    const auto base = readAmount(minutes, 60 * kMicrosPerSecond, kMaxBaseMinutes);
    if (!base || base->count() == 0) {
        error = "the minutes must be a number above 0 and at most 600, such as 5 or 0.5";
        return std::nullopt;
    }
    session.base = *base;
    if (plus != std::string_view::npos) {
        const auto increment = readAmount(seconds, kMicrosPerSecond, kMaxIncrementSeconds);
        if (!increment) {
            error = "the increment after '+' must be a number of seconds from 0 to 600";
            return std::nullopt;
        }
        session.increment = *increment;
    }
    return session;
}

// "90", "0.5", "2.25": the shortest decimal text of an amount in whole units.
std::string amountText(ClockTime amount, std::int64_t microsPerUnit) {
    const std::int64_t micros = amount.count();
    std::string text = std::to_string(micros / microsPerUnit);
    std::int64_t rest = micros % microsPerUnit;
    if (rest == 0) {
        return text;
    }
    text += '.';
    for (int decimals = 0; rest != 0 && decimals < kMaxDecimals; ++decimals) {
        rest *= 10;
        text += static_cast<char>('0' + rest / microsPerUnit);
        rest %= microsPerUnit;
    }
    return text;
}

} // namespace

ParsedTimeControl ParseTimeControl(std::string_view text) {
    ParsedTimeControl result;
    text = trimmed(text);
    if (text.empty()) {
        result.error = "type a time control such as 5+3 or 40/90";
        return result;
    }
    TimeControl control;
    while (true) {
        const auto comma = text.find(',');
        const std::string_view part = text.substr(0, comma);
        if (trimmed(part).empty()) {
            result.error = "each session needs a time, such as 5+0 or 40/90";
            return result;
        }
        if (static_cast<int>(control.sessions.size()) == kMaxSessions) {
            result.error = "at most four sessions can be given";
            return result;
        }
        auto session = readSession(part, result.error);
        if (!session) {
            return result;
        }
        control.sessions.push_back(*session);
        if (comma == std::string_view::npos) {
            break;
        }
        if (session->moves == 0) {
            result.error = "only the last session may last to the end of the game";
            return result;
        }
        text = text.substr(comma + 1);
    }
    result.control = std::move(control);
    return result;
}

std::string TimeControl::Text() const {
    std::string text;
    for (const TimeSession& session : sessions) {
        if (!text.empty()) {
            text += ',';
        }
        if (session.moves > 0) {
            text += std::to_string(session.moves) + '/';
        }
        text += amountText(session.base, 60 * kMicrosPerSecond);
        if (session.moves == 0 || session.increment.count() != 0) {
            text += '+' + amountText(session.increment, kMicrosPerSecond);
        }
    }
    return text;
}

const TimeSession& TimeControl::SessionOf(int move) const {
    int first = 1;
    for (std::size_t i = 0; i + 1 < sessions.size(); ++i) {
        if (move < first + sessions[i].moves) {
            return sessions[i];
        }
        first += sessions[i].moves;
    }
    return sessions.back();
}

int TimeControl::ControlAfter(int move) const {
    int last = 0;
    for (std::size_t i = 0; i + 1 < sessions.size(); ++i) {
        last += sessions[i].moves;
        if (move <= last) {
            return last;
        }
    }
    const int repeat = sessions.back().moves;
    if (repeat == 0) {
        return 0;
    }
    // The last session starts over every `repeat` moves after the earlier ones.
    return last + ((move - last - 1) / repeat + 1) * repeat;
}
