#include "BoardSettings.h"

#include <QCoreApplication>

namespace {

class DefaultBoardSettings : public BoardSettings {
public:
    QString PieceSet() const override { return QStringLiteral("Modern 2"); }
    QString BoardColours() const override { return QStringLiteral("Best Green"); }
    void PlaySound(const QString&) override {}
};

DefaultBoardSettings g_defaults;
BoardSettings* g_installed = nullptr;

} // namespace

BoardSettings& BoardSettings::Current() {
    return g_installed ? *g_installed : g_defaults;
}

void BoardSettings::Install(BoardSettings* settings) {
    g_installed = settings;
}

QString BoardSettings::ProgramFolder() const {
    return QCoreApplication::applicationDirPath();
}
