#include "app/OptionsMenu.h"

#include "board/TMDIChild.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QMessageBox>

#include <algorithm>

namespace {

// The names the game windows know the choices by, whatever the menu's captions say.
struct PieceSetName {
    PieceSetChoice choice;
    const char* name;
};
constexpr PieceSetName kPieceSetNames[] = {
    {PieceSetChoice::Modern1, "Modern 1"},
    {PieceSetChoice::Modern2, "Modern 2"},
    {PieceSetChoice::Classic, "Classic"},
    {PieceSetChoice::Sharp, "Sharp"},
};

struct BoardColoursName {
    BoardColourChoice choice;
    const char* name;
};
constexpr BoardColoursName kBoardColoursNames[] = {
    {BoardColourChoice::SkyBlue, "Sky Blue"},
    {BoardColourChoice::BestGreen, "Best Green"},
};

} // namespace

OptionsMenu::OptionsMenu(QWidget* parent, const QString& settingsFile, const QString& folder,
                         std::function<std::vector<TMDIChild*>()> gameWindows)
    : QObject(parent), m_parent(parent), m_file(settingsFile), m_player(folder),
      m_gameWindows(std::move(gameWindows)) {
    m_menu = new QMenu(QStringLiteral("&Options"), parent);
    m_menu->setObjectName(QStringLiteral("Options1"));

    QMenu* pieces = m_menu->addMenu(QStringLiteral("Pieces"));
    pieces->setObjectName(QStringLiteral("Pieces1"));
    m_pieceItems = {
        {PieceSetChoice::Modern1,
         addChoice(pieces, "Modern11", "Modern 1", &OptionsMenu::Modern11Click)},
        {PieceSetChoice::Modern2,
         addChoice(pieces, "Modern21", "Modern 2", &OptionsMenu::Modern21Click)},
        {PieceSetChoice::Classic,
         addChoice(pieces, "Classic1", "Classic", &OptionsMenu::Classic1Click)},
        {PieceSetChoice::Sharp, addChoice(pieces, "Sharp1", "Sharp", &OptionsMenu::Sharp1Click)}};

    QMenu* board = m_menu->addMenu(QStringLiteral("Board"));
    board->setObjectName(QStringLiteral("Board1"));
    m_boardItems = {{BoardColourChoice::SkyBlue,
                     addChoice(board, "SkyBlue1", "Sky Blue", &OptionsMenu::SkyBlue1Click)},
                    {BoardColourChoice::BestGreen,
                     addChoice(board, "BestGreen1", "Best Green", &OptionsMenu::BestGreen1Click)}};

    m_menu->addSeparator();
    m_playSounds = addChoice(m_menu, "PlaySounds1", "&Play Sounds", &OptionsMenu::PlaySounds1Click);
    m_legalTargets =
        addChoice(m_menu, "LegalTargets1", "&Legal Targets", &OptionsMenu::LegalTargets1Click);

    const Options options = readOptions(m_file);
    for (const auto& [choice, item] : m_pieceItems)
        item->setChecked(choice == options.pieces);
    for (const auto& [choice, item] : m_boardItems)
        item->setChecked(choice == options.board);
    m_playSounds->setChecked(options.sound);
    m_player.setEnabled(options.sound);
    m_legalTargets->setChecked(
        legalTargetsFromText(m_file.value(kOptionsSection, kLegalTargetsKey)));
}

QAction* OptionsMenu::addChoice(QMenu* menu, const QString& name, const QString& caption,
                                void (OptionsMenu::*handler)()) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    item->setCheckable(true);
    // The items are plain check items: each handler sets every mark of its group itself,
    // so a click must not flip the mark on its own first.
    connect(item, &QAction::triggered, this, [this, item, handler] {
        item->setChecked(!item->isChecked());
        (this->*handler)();
    });
    return item;
}

void OptionsMenu::choosePieceSet(PieceSetChoice choice) {
    for (const auto& [itemChoice, item] : m_pieceItems)
        item->setChecked(itemChoice == choice);
    for (TMDIChild* window : m_gameWindows()) {
        window->LoadPieceSet();
        window->RefreshPieceImages();
    }
    WriteSetting(kOptionsSection, kPiecesKey, pieceSetText(choice));
}

void OptionsMenu::chooseBoardColours(BoardColourChoice choice) {
    for (const auto& [itemChoice, item] : m_boardItems)
        item->setChecked(itemChoice == choice);
    for (TMDIChild* window : m_gameWindows()) {
        window->LoadBoardColours();
        window->PaintBoardSquares();
    }
    WriteSetting(kOptionsSection, kBoardKey, boardColoursText(choice));
}

void OptionsMenu::PlaySounds1Click() {
    m_playSounds->setChecked(!m_playSounds->isChecked());
    m_player.setEnabled(m_playSounds->isChecked());
    WriteSetting(kOptionsSection, kSoundKey, soundText(m_playSounds->isChecked()));
}

void OptionsMenu::LegalTargets1Click() {
    m_legalTargets->setChecked(!m_legalTargets->isChecked());
    WriteSetting(kOptionsSection, kLegalTargetsKey, legalTargetsText(m_legalTargets->isChecked()));
}

bool OptionsMenu::ShowLegalTargets() const {
    return m_legalTargets->isChecked();
}

QString OptionsMenu::Setting(const QString& section, const QString& key) const {
    return m_file.value(section, key);
}

void OptionsMenu::WriteSetting(const QString& section, const QString& key, const QString& value) {
    m_file.setValue(section, key, value);
    if (!m_file.save())
        QMessageBox::warning(
            m_parent, m_parent->windowTitle(),
            QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(m_file.path())));
}

QString OptionsMenu::PieceSet() const {
    for (const auto& [choice, item] : m_pieceItems) {
        if (!item->isChecked())
            continue;
        for (const PieceSetName& entry : kPieceSetNames) {
            if (entry.choice == choice)
                return QString::fromLatin1(entry.name);
        }
    }
    return QStringLiteral("Sharp");
}

QString OptionsMenu::BoardColours() const {
    // Sky Blue when its item is ticked, Best Green otherwise.
    const bool skyBlue =
        std::any_of(m_boardItems.begin(), m_boardItems.end(), [](const auto& entry) {
            return entry.first == BoardColourChoice::SkyBlue && entry.second->isChecked();
        });
    const BoardColourChoice chosen =
        skyBlue ? BoardColourChoice::SkyBlue : BoardColourChoice::BestGreen;
    for (const BoardColoursName& entry : kBoardColoursNames) {
        if (entry.choice == chosen)
            return QString::fromLatin1(entry.name);
    }
    return QStringLiteral("Best Green");
}

void OptionsMenu::PlaySound(const QString& relativeFile) {
    m_player.play(relativeFile);
}
