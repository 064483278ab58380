#pragma once

#include <QString>

// What the game windows read from the program's settings at the moment they need it.
// The application installs its own implementation; until then the built-in defaults
// apply (pieces "Modern 2", board "Best Green", no sound). A window keeps no copy.
class BoardSettings {
public:
    virtual ~BoardSettings() = default;

    virtual QString PieceSet() const = 0;     // "Modern 1", "Modern 2", "Classic", "Sharp"
    virtual QString BoardColours() const = 0; // "Sky Blue", "Best Green"
    virtual void PlaySound(const QString& relativeFile) = 0; // e.g. "Audio/move.wav"
    // Whether a picked piece's legal targets and a king in check are marked on the board.
    virtual bool ShowLegalTargets() const { return true; }
    // The program's folder, where its pictures, sounds, settings and engines are found:
    // the main window's, once it has installed its settings; else the executable's.
    virtual QString ProgramFolder() const;

    // The installed settings, or the built-in defaults.
    static BoardSettings& Current();
    // Installs `settings` (not owned; it must outlive its installation); nullptr restores
    // the defaults.
    static void Install(BoardSettings* settings);
};
