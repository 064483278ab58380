// The game window's clocks and the ways a game on one board ends by the players' word:
// the Time Control item, the flag, Resign and Offer Draw.
#include "TMDIChild.h"

#include "ClockPanel.h"
#include "TimeControlDialog.h"

#include <QMenu>
#include <QMessageBox>

#include "game/MatingMaterial.h"

namespace {

const QString kActiveGame = QStringLiteral("Active Game");

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
}

bool TMDIChild::OnOneBoard() const {
    // An engine or the peer would have to be told; that dialogue does not exist yet.
    return !EngineAttached() && !windowTitle().startsWith(kActiveGame);
}

void TMDIChild::UpdateGameItems() {
    const bool playing = OnOneBoard() && !m_game.Model().finished;
    m_timeControlItem->setEnabled(OnOneBoard());
    m_resignItem->setEnabled(playing);
    m_drawItem->setEnabled(playing);
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
}

void TMDIChild::TimeControl1Click() {
    if (!OnOneBoard() || m_askingTimeControl) {
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
    BoardModel& model = m_game.Model();
    if (!OnOneBoard() || model.finished) {
        return;
    }
    model.finished = 1;
    AppendToTitle(winFor(model.sideMarker));
}

void TMDIChild::OfferDraw1Click() {
    BoardModel& model = m_game.Model();
    if (!OnOneBoard() || model.finished) {
        return;
    }
    model.finished = 1;
    AppendToTitle(" - (Draw)");
}
