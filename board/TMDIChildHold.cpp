// A peer game that waits for its link: the clocks stand and the board takes no move.
#include "TMDIChild.h"

#include "ClockPanel.h"

void TMDIChild::HoldPeerGame(bool held) {
    if (held == m_peerGameHeld) {
        return;
    }
    m_peerGameHeld = held;
    if (held) {
        CancelPick();
        m_clocks->Stop();
    } else if (!m_game.Model().finished) {
        m_clocks->Resume();
    }
}

void TMDIChild::SetClockTimes(ClockTime white, ClockTime black) {
    m_clocks->SetRemaining(1, white);
    m_clocks->SetRemaining(0, black);
}
