#pragma once

#include <QString>

// The terms the waiting player offers every copy that connects: the colour this player
// takes and the time control, in the clock's notation (empty for no clock).
struct GameTerms {
    enum class Colour { White, Black, Random };

    Colour colour = Colour::Random;
    QString timeControl;

    bool operator==(const GameTerms&) const = default;
};

// How the colour is kept in the settings file: "White", "Black" or "Random". Any other text
// reads as Random.
QString gameTermsColourText(GameTerms::Colour colour);
GameTerms::Colour gameTermsColourFromText(const QString& text);
