// The main window's PGN and FEN commands: PGN files in and out, the "Games in File"
// choice, and positions and games through the clipboard.
#include "app/TMainForm.h"

#include "app/GamesInFile.h"
#include "app/PgnFile.h"
#include "app/PgnOrigin.h"
#include "board/TMDIChild.h"
#include "game/Fen.h"
#include "game/NullDisplay.h"
#include "game/PgnWriter.h"

#include <QClipboard>
#include <QDate>
#include <QGuiApplication>
#include <QInputDialog>
#include <QPointer>

namespace {

// The position `window` shows, replayed from where its game began.
std::string shownFen(TMDIChild* window) {
    const BoardModel& model = window->game().Model();
    NullDisplay display;
    Game shown(display);
    if (!model.startFen.empty())
        shown.Model().SetUpFromFen(model.startFen);
    for (int i = 0; i < window->ShownPosition(); ++i) {
        const std::string& line = model.moveRecord[static_cast<size_t>(i)];
        shown.Model().promotionChoice = line.size() > 4 ? KindOfLetter(line.back()) : "";
        shown.MakeMove(line.substr(0, 2), line.substr(2, 2));
    }
    return FenText(shown.Model());
}

QString gameName(const PgnGame& game, int number) {
    QString name = QStringLiteral("Game %1").arg(number);
    const std::string white = game.Tag("White");
    const std::string black = game.Tag("Black");
    if (!white.empty() || !black.empty())
        name += QStringLiteral(" (%1 - %2)")
                    .arg(QString::fromStdString(white), QString::fromStdString(black));
    return name;
}

} // namespace

void TMainForm::showPgnGame(TMDIChild* window, PgnGame& game, const QString& source) {
    window->game().Model().finished = 1;
    if (!game.startFen.empty())
        window->StartFromPosition(game.startFen);
    std::vector<std::string> lines, notations, tips;
    auto* origin = new PgnOrigin(window);
    origin->setObjectName(QStringLiteral("PgnOrigin"));
    for (PgnGameMove& move : game.moves) {
        lines.push_back(move.record);
        notations.push_back(move.text);
        tips.push_back(move.nags.empty() ? move.comment : move.nags + " " + move.comment);
        origin->comments.push_back(move.comment);
    }
    window->LoadMoveRecord(lines, notations, tips);
    origin->tags = game.tags;
    origin->result = game.result;
    window->ShowResult(game.result);
    if (!game.error.empty())
        showError(QStringLiteral("%1, line %2: %3\nThe game opens up to the move before it.")
                      .arg(source)
                      .arg(game.errorLine)
                      .arg(QString::fromStdString(game.error)));
}

void TMainForm::LoadPgnFile(TMDIChild* window, const QString& fileName) {
    PgnFile file;
    switch (file.Open(fileName)) {
    case PgnFile::Status::Missing:
        return;
    case PgnFile::Status::TooLarge:
        window->game().Model().finished = 1;
        showError(QStringLiteral("Cannot open file %1\nIt is larger than %2 MB.")
                      .arg(fileName)
                      .arg(kMaxPgnFileBytes >> 20));
        return;
    case PgnFile::Status::Unreadable:
        window->game().Model().finished = 1;
        showError(QStringLiteral("Cannot open file %1").arg(fileName));
        return;
    case PgnFile::Status::Opened:
        break;
    }
    if (!hasSeveralGames(file.Text())) {
        std::vector<PgnGame> games = ReadPgnGames(file.Text(), 1);
        if (games.empty()) {
            window->game().Model().finished = 1;
            showError(QStringLiteral("Cannot open file %1\nIt holds no game.").arg(fileName));
            return;
        }
        showPgnGame(window, games.front(),
                    fileName + QStringLiteral(", ") + gameName(games.front(), 1));
        return;
    }
    const QPointer<TMDIChild> target = window;
    GamesInFile choice(file.Text(), fileName, this);
    const bool chosen = choice.exec() == QDialog::Accepted;
    if (!target)
        return;
    if (!chosen) {
        // Never a multi-game file's name: Save would write one game over all of them.
        target->setWindowTitle(QStringLiteral("Game Board"));
        return;
    }
    PgnGame game = ReadPgnGameAt(file.Text(), choice.ChosenOffset());
    target->setWindowTitle(QStringLiteral("%1 (game %2)").arg(fileName).arg(choice.ChosenNumber()));
    showPgnGame(target, game,
                fileName + QStringLiteral(", ") + gameName(game, choice.ChosenNumber()));
}

QByteArray TMainForm::PgnTextOf(TMDIChild* window) const {
    const BoardModel& model = window->game().Model();
    PgnExport game;
    game.startFen = model.startFen;
    game.record = model.moveRecord;
    if (const auto* origin = window->findChild<PgnOrigin*>(QStringLiteral("PgnOrigin"))) {
        game.tags = origin->tags;
        game.comments = origin->comments;
        game.result = origin->result;
    } else {
        const auto [white, black] = window->PlayerNames(PlayerName());
        game.tags = {
            {"Site", "Rookvale"},
            {"Date", QDate::currentDate().toString(QStringLiteral("yyyy.MM.dd")).toStdString()},
            {"White", white.toStdString()},
            {"Black", black.toStdString()},
            {"TimeControl", PgnTimeControl(window->CurrentTimeControl())}};
        game.clocks = window->MoveClockTimes();
        game.result = PgnResultOfTitle(window->windowTitle().toStdString());
    }
    return QByteArray::fromStdString(WritePgn(game));
}

TMDIChild* TMainForm::makePositionWindow(const std::string& fen) {
    TMDIChild* window = MakeGameWindow(QStringLiteral("Game Board"));
    if (window)
        window->StartFromPosition(fen);
    return window;
}

void TMainForm::EditCopyFen1Execute() {
    if (TMDIChild* window = ActiveGameWindow())
        QGuiApplication::clipboard()->setText(QString::fromStdString(shownFen(window)));
}

void TMainForm::EditCopyPgn1Execute() {
    if (TMDIChild* window = ActiveGameWindow())
        QGuiApplication::clipboard()->setText(QString::fromUtf8(PgnTextOf(window)));
}

void TMainForm::EditPasteFen1Execute() {
    const std::string text = QGuiApplication::clipboard()->text().trimmed().toStdString();
    const std::string refusal = FenRefusal(text);
    if (refusal.empty()) {
        makePositionWindow(text);
        return;
    }
    std::vector<PgnGame> games = ReadPgnGames(text, 1);
    if (games.empty() || (games.front().moves.empty() && games.front().tags.empty())) {
        showError(QStringLiteral("The clipboard holds neither a FEN nor a PGN game.\n"
                                 "As a FEN: %1")
                      .arg(QString::fromStdString(refusal)));
        return;
    }
    TMDIChild* window = MakeGameWindow(QStringLiteral("Game Board"));
    if (window)
        showPgnGame(window, games.front(), QStringLiteral("The pasted game"));
}

void TMainForm::FileNewFromPosition1Execute() {
    bool accepted = false;
    const QString fen =
        QInputDialog::getText(this, QStringLiteral("New from Position"), QStringLiteral("FEN:"),
                              QLineEdit::Normal, QString(), &accepted);
    if (!accepted)
        return;
    const std::string text = fen.trimmed().toStdString();
    if (const std::string refusal = FenRefusal(text); !refusal.empty()) {
        showError(QStringLiteral("FEN refused: %1").arg(QString::fromStdString(refusal)));
        return;
    }
    makePositionWindow(text);
}
