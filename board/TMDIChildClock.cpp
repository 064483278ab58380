// The game window's clocks and the players' own say over a game on one board: the Time
// Control item, the flag, Resign, Offer Draw and Take Back.
#include "TMDIChild.h"

#include "ClockPanel.h"
#include "MoveGrid.h"
#include "TimeControlDialog.h"

#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>

#include <algorithm>

#include "game/MatingMaterial.h"
#include "game/Square.h"

namespace {

const QString kActiveGame = QStringLiteral("Active Game");
const QString kResults[] = {QStringLiteral(" - (White Wins)"), QStringLiteral(" - (Black Wins)"),
                            QStringLiteral(" - (Draw)"), QStringLiteral(" - (Stalemate)")};

// The result for a win of `white` (1 White, 0 Black), in the title's form.
std::string winFor(std::uint8_t white) {
    return white ? " - (White Wins)" : " - (Black Wins)";
}

} // namespace

void TMDIChild::BuildGameItems(QMenu* popupAction) {
    m_timeControlItem = popupAction->addAction(QStringLiteral("Time &Control..."));
    m_timeControlItem->setObjectName(QStringLiteral("TimeControl1"));
    connect(m_timeControlItem, &QAction::triggered, this, &TMDIChild::TimeControl1Click);
    m_resignItem = popupAction->addAction(QStringLiteral("&Resign"));
    m_resignItem->setObjectName(QStringLiteral("Resign1"));
    connect(m_resignItem, &QAction::triggered, this, &TMDIChild::Resign1Click);
    m_drawItem = popupAction->addAction(QStringLiteral("Offer &Draw"));
    m_drawItem->setObjectName(QStringLiteral("OfferDraw1"));
    connect(m_drawItem, &QAction::triggered, this, &TMDIChild::OfferDraw1Click);
    m_takeBackItem = popupAction->addAction(QStringLiteral("&Take Back"));
    m_takeBackItem->setObjectName(QStringLiteral("TakeBack1"));
    connect(m_takeBackItem, &QAction::triggered, this, &TMDIChild::TakeBack1Click);
    m_abortItem = popupAction->addAction(QStringLiteral("&Abort"));
    m_abortItem->setObjectName(QStringLiteral("Abort1"));
    m_abortItem->setVisible(false);
    connect(m_abortItem, &QAction::triggered, this, &TMDIChild::Abort1Click);
    m_rematchItem = popupAction->addAction(QStringLiteral("Re&match"));
    m_rematchItem->setObjectName(QStringLiteral("Rematch1"));
    m_rematchItem->setVisible(false);
    connect(m_rematchItem, &QAction::triggered, this, &TMDIChild::Rematch1Click);

    // Ctrl+Z belongs to the board only while it has the focus: in the chat line it stays
    // the text's own undo. A click on a square gives the board the focus.
    m_leftPanel->setFocusPolicy(Qt::ClickFocus);
    auto* undo = new QShortcut(QKeySequence::Undo, m_leftPanel);
    undo->setContext(Qt::WidgetWithChildrenShortcut);
    connect(undo, &QShortcut::activated, this, &TMDIChild::TakeBack1Click);
}

bool TMDIChild::ClockAllowed() const {
    // The peer would have to be told; that dialogue does not exist yet.
    return !windowTitle().startsWith(kActiveGame);
}

bool TMDIChild::Playing() const {
    return ClockAllowed() && !m_game.Model().finished;
}

bool TMDIChild::DrawOfferAllowed() const {
    return Playing() && (!EngineAttached() || m_engine->TakesDrawOffers());
}

int TMDIChild::HalfMovesToTakeBack() const {
    const int live = m_game.LivePosition();
    if (!ClockAllowed() || live == 0) {
        return 0;
    }
    if (!EngineAttached()) {
        return 1;
    }
    // Against an engine the user gets the move back, never the engine: the last pair, or
    // the user's own move that ended the game. Not while the engine thinks, whose reply
    // would belong to a position that is gone.
    const BoardModel& model = m_game.Model();
    if (m_engineThinking) {
        return 0;
    }
    if (model.SideToMove() != model.engineColour) {
        return live >= 2 ? 2 : 0;
    }
    return model.finished ? 1 : 0;
}

void TMDIChild::UpdateGameItems() {
    m_timeControlItem->setEnabled(ClockAllowed());
    m_resignItem->setEnabled(Playing());
    m_drawItem->setEnabled(DrawOfferAllowed());
    m_takeBackItem->setEnabled(HalfMovesToTakeBack() > 0);
    // A peer game whose colours are agreed asks the peer instead.
    if (m_peerColour && !EngineAttached()) {
        const bool open = !m_game.Model().finished;
        m_resignItem->setEnabled(open);
        m_drawItem->setEnabled(open);
        m_takeBackItem->setEnabled(open && m_game.LivePosition() > 0);
        m_abortItem->setEnabled(open && m_game.LivePosition() < 2);
    }
    m_abortItem->setVisible(m_peerColour.has_value());
    m_rematchItem->setVisible(m_peerColour.has_value());
    m_rematchItem->setEnabled(m_peerColour && m_game.Model().finished);
}

bool TMDIChild::AsksPeer(PeerAction action) {
    if (!m_peerColour || EngineAttached()) {
        return false;
    }
    if (!m_game.Model().finished && !m_dragging && !m_askingPromotion) {
        emit peerActionChosen(action);
    }
    return true;
}

void TMDIChild::EndPeerGame(const std::string& result) {
    if (m_game.Model().finished) {
        return;
    }
    m_game.Model().finished = 1;
    AppendToTitle(result);
}

void TMDIChild::TakeBackPeerMoves(int live) {
    ShowPosition(m_game.LivePosition());
    while (m_game.LivePosition() > std::max(live, 0)) {
        const std::optional<Game::TakenBack> taken = m_game.TakeBack();
        if (!taken) {
            return;
        }
        ShowTakenBack(*taken);
    }
}

void TMDIChild::Abort1Click() {
    if (m_game.LivePosition() < 2) {
        AsksPeer(PeerAction::Abort);
    }
}

void TMDIChild::Rematch1Click() {
    if (m_peerColour && m_game.Model().finished) {
        emit peerActionChosen(PeerAction::Rematch);
    }
}

void TMDIChild::SetPeerClockTime(std::uint8_t white, ClockTime remaining) {
    m_clocks->SetRemaining(white, remaining);
}

const Clock* TMDIChild::GameClock() const {
    return m_clocks->GameClock();
}

void TMDIChild::SetTimeControl(const std::optional<TimeControl>& control) {
    m_timeControl = control;
    m_clocks->Start(control, m_game.LivePosition());
    if (m_game.Model().finished) {
        m_clocks->Stop();
    }
    if (m_engine) {
        m_engine->SetClock(GameClock());
    }
}

void TMDIChild::TimeControl1Click() {
    if (!ClockAllowed() || m_askingTimeControl) {
        return;
    }
    // The dialog and the question run nested event loops; the window may not close under
    // them (closeEvent refuses while this is set).
    m_askingTimeControl = true;
    TimeControlDialog dialog(m_timeControl, this);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    const std::optional<TimeControl> chosen = dialog.Chosen();
    bool apply = accepted;
    if (accepted && m_game.LivePosition() > 0 && !m_game.Model().finished) {
        const QString text = chosen ? QString::fromStdString(chosen->Text()) : QString();
        apply = QMessageBox::question(
                    this, QStringLiteral("Time Control"),
                    chosen ? QStringLiteral("Start both clocks afresh at %1?").arg(text)
                           : QStringLiteral("Play on without a clock?"),
                    QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }
    m_askingTimeControl = false;
    if (apply) {
        SetTimeControl(chosen);
    }
}

void TMDIChild::FlagFell(std::uint8_t white) {
    // The opponent's time is its own clock's to tell: a move of it may still be on the
    // wire, so the main window waits for the link's round trip before it claims the flag.
    if (m_peerColour && white != *m_peerColour && !EngineAttached()) {
        if (!m_game.Model().finished) {
            emit opponentFlagFell(white);
        }
        return;
    }
    EndOnFlag(white);
}

void TMDIChild::EndOnFlag(std::uint8_t white) {
    BoardModel& model = m_game.Model();
    if (model.finished) {
        return;
    }
    // Running out of time loses only to a side that could still have mated.
    const std::uint8_t other = white ? 0 : 1;
    model.finished = 1;
    AppendToTitle(CanStillMate(model, other) ? winFor(other) : " - (Draw)");
}

void TMDIChild::Resign1Click() {
    if (AsksPeer(PeerAction::Resign)) {
        return;
    }
    BoardModel& model = m_game.Model();
    if (!Playing()) {
        return;
    }
    // Against an engine the user resigns, on one board the side to move.
    model.finished = 1;
    AppendToTitle(winFor(EngineAttached() ? model.engineColour : model.sideMarker));
}

void TMDIChild::OfferDraw1Click() {
    if (AsksPeer(PeerAction::OfferDraw)) {
        return;
    }
    if (!DrawOfferAllowed()) {
        return;
    }
    if (EngineAttached()) {
        m_drawOffered = true;
        m_engine->OfferDraw();
        return;
    }
    m_game.Model().finished = 1;
    AppendToTitle(" - (Draw)");
}

void TMDIChild::TakeBack1Click() {
    if (m_game.LivePosition() > 0 && AsksPeer(PeerAction::TakeBack)) {
        return;
    }
    // Not in the middle of a move: a drag or the promotion question runs an event loop.
    const int halfMoves = HalfMovesToTakeBack();
    if (halfMoves == 0 || m_dragging || m_askingPromotion) {
        return;
    }
    ShowPosition(m_game.LivePosition());
    int taken = 0;
    while (taken < halfMoves) {
        const std::optional<Game::TakenBack> move = m_game.TakeBack();
        if (!move) {
            break;
        }
        ShowTakenBack(*move);
        ++taken;
    }
    if (taken > 0 && EngineAttached()) {
        m_drawOffered = false;
        m_engine->TakeBack(taken, EngineMoves());
    }
}

void TMDIChild::ShowTakenBack(const Game::TakenBack& taken) {
    const BoardModel& model = m_game.Model();
    for (const TSquare& square : model.board) {
        SetSquarePicture(square.name, square.piece.IsEmpty()
                                          ? kNoImage
                                          : PieceEntryOf(square.piece.kind, square.piece.white));
    }

    // The taken-back half-move's cell; a Black one had also opened the next row.
    const int live = m_game.LivePosition();
    const int cell = CellOfHalfMove(live);
    const int row = cell / 2 + 1;
    if (cell % 2 == 0) {
        m_grid->SetCell(0, row, QString());
        m_grid->SetCell(1, row, QString());
    } else {
        m_grid->SetCell(2, row, QString());
        m_grid->removeRow(m_grid->rowCount() - 1);
    }
    if (live > 0) {
        SelectHalfMoveCell(live - 1);
    } else {
        m_grid->setCurrentCell(-1, -1);
    }
    {
        const QSignalBlocker quiet(m_scrollBar);
        m_scrollBar->setMaximum(live);
        m_scrollBar->setValue(live);
    }
    m_shownPosition = live;

    if (live > 0) {
        const std::string& line = model.moveRecord.back();
        MarkLastMove(line.substr(0, 2), line.substr(2, 2));
    } else {
        m_border1->move(-60, -60);
        m_border2->move(-60, -60);
    }
    if (!taken.capturedKind.empty()) {
        AdjustCaptureCount(taken.capturedKind, taken.capturedWhite, -1);
    }

    if (taken.wasFinished && !model.finished) {
        QString title = windowTitle();
        for (bool stripped = true; stripped;) {
            stripped = false;
            for (const QString& result : kResults) {
                if (title.endsWith(result)) {
                    title.chop(result.size());
                    stripped = true;
                }
            }
        }
        setWindowTitle(title);
    }
    m_clocks->TakeBack(taken.wasFinished);
}
