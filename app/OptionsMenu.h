#pragma once

#include "app/IniFile.h"
#include "app/Options.h"
#include "app/SoundPlayer.h"
#include "board/BoardSettings.h"

#include <QObject>

#include <functional>
#include <vector>

class QAction;
class QMenu;
class QWidget;
class TMDIChild;

// The Options menu: piece set, board colours and sounds. Its check marks are the current
// choice, which the game windows read through BoardSettings; every change is applied to the
// open game windows at once and written to the settings file at once. It also owns the
// program's one sound player.
class OptionsMenu : public QObject, public BoardSettings {
    Q_OBJECT
public:
    // Builds the menu "&Options" under `parent` (which also parents the message shown when
    // the file cannot be written), reads `settingsFile` and ticks the items. `gameWindows`
    // lists the open game windows in the main window's order of children; `folder` is
    // where the sound files are found.
    OptionsMenu(QWidget* parent, const QString& settingsFile, const QString& folder,
                std::function<std::vector<TMDIChild*>()> gameWindows);

    QMenu* menu() const { return m_menu; }

    // The handlers of the items, as the menu calls them.
    void Modern11Click() { choosePieceSet(PieceSetChoice::Modern1); }
    void Modern21Click() { choosePieceSet(PieceSetChoice::Modern2); }
    void Classic1Click() { choosePieceSet(PieceSetChoice::Classic); }
    void Sharp1Click() { choosePieceSet(PieceSetChoice::Sharp); }
    void SkyBlue1Click() { chooseBoardColours(BoardColourChoice::SkyBlue); }
    void BestGreen1Click() { chooseBoardColours(BoardColourChoice::BestGreen); }
    void PlaySounds1Click();
    // Options > Legal Targets: whether a picked piece's targets and a king in check are
    // marked; kept under its own key, which is written only once the item is used.
    void LegalTargets1Click();

    // Other settings kept in the same file, so that writing one never loses another: the
    // stored value (empty when missing), and a write that warns as the Options items do.
    QString Setting(const QString& section, const QString& key) const;
    void WriteSetting(const QString& section, const QString& key, const QString& value);

    // BoardSettings
    QString PieceSet() const override;
    QString BoardColours() const override;
    void PlaySound(const QString& relativeFile) override;
    bool ShowLegalTargets() const override;
    // The folder the main window was given: the only place the program's files are sought.
    QString ProgramFolder() const override { return m_player.Folder(); }

    const SoundPlayer& soundPlayer() const { return m_player; }

private:
    QAction* addChoice(QMenu* menu, const QString& name, const QString& caption,
                       void (OptionsMenu::*handler)());
    void choosePieceSet(PieceSetChoice choice);
    void chooseBoardColours(BoardColourChoice choice);

    QWidget* m_parent;
    IniFile m_file;
    SoundPlayer m_player;
    std::function<std::vector<TMDIChild*>()> m_gameWindows;
    QMenu* m_menu = nullptr;
    std::vector<std::pair<PieceSetChoice, QAction*>> m_pieceItems;
    std::vector<std::pair<BoardColourChoice, QAction*>> m_boardItems;
    QAction* m_playSounds = nullptr;
    QAction* m_legalTargets = nullptr;
};
