#include "peer/GameTerms.h"

QString gameTermsColourText(GameTerms::Colour colour) {
    switch (colour) {
    case GameTerms::Colour::White:
        return QStringLiteral("White");
    case GameTerms::Colour::Black:
        return QStringLiteral("Black");
    case GameTerms::Colour::Random:
        break;
    }
    return QStringLiteral("Random");
}

GameTerms::Colour gameTermsColourFromText(const QString& text) {
    if (text == QLatin1String("White"))
        return GameTerms::Colour::White;
    if (text == QLatin1String("Black"))
        return GameTerms::Colour::Black;
    return GameTerms::Colour::Random;
}
