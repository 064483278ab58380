#pragma once

#include "board/BoardSettings.h"

#include <QStringList>

// Settings that a test sets by hand; installed for its lifetime, and it records the sounds
// asked for.
class TestSettings : public BoardSettings {
public:
    TestSettings() { Install(this); }
    ~TestSettings() override { Install(nullptr); }

    QString PieceSet() const override { return pieceSet; }
    QString BoardColours() const override { return boardColours; }
    void PlaySound(const QString& file) override { sounds.append(file); }

    QString pieceSet = QStringLiteral("Modern 2");
    QString boardColours = QStringLiteral("Best Green");
    QStringList sounds;
};
