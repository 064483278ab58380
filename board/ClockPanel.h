#pragma once

#include "game/Clock.h"

#include <QObject>
#include <QRect>

#include <cstdint>
#include <optional>
#include <vector>

class QLabel;
class QTimer;
class QWidget;

// The two clocks of a game window, "White Clock" and "Black Clock" to screen readers and
// tests, over the chess clock of the game. Without a time control there is no clock and
// both faces stay hidden, as a game window always was. The faces are redrawn just when
// their text changes and at the moment a flag falls, not on a fixed beat.
class ClockPanel : public QObject {
    Q_OBJECT
public:
    // The faces are children of `parent`, at the given places.
    ClockPanel(QWidget* parent, const QRect& blackPlace, const QRect& whitePlace);
    ~ClockPanel() override;

    // Starts a fresh clock after `halfMovesPlayed` half-moves of the game: both sides get
    // the first session's time, the side to move follows from the count, and the first
    // move of a side is untimed only when it has made none yet. No control: no clock.
    void Start(const std::optional<TimeControl>& control, int halfMovesPlayed);
    // The running clock, for whoever must know the times (an engine); null without one.
    const Clock* GameClock() const { return m_clock ? &*m_clock : nullptr; }

    // A half-move was made in the game, which now has `halfMovesPlayed`; a move that came
    // after the mover's flag fell stops the clock and reports the flag.
    void MoveMade(int halfMovesPlayed);
    // The last half-move was taken back; `ended` when it had ended the game, whose
    // clocks then run on from where they stopped (a fallen flag keeps them stopped).
    void TakeBack(bool ended);
    // The mover's time left after each half-move of the game, by half-move; none for a
    // move made without a clock. Taken-back moves are gone from it.
    const std::vector<std::optional<ClockTime>>& MoveTimes() const { return m_moveTimes; }
    // The game ended: both clocks stop where they are.
    void Stop();
    // The game goes on after a pause: a stopped clock runs on from where it stopped.
    void Resume();

    // Sets a side's time to what the peer's own clock says (see Clock::SetRemaining); a
    // flag lifted that way may fall and be reported again.
    void SetRemaining(std::uint8_t white, ClockTime remaining);

    // The board was turned over: the faces change places.
    void SwapPlaces();

    QLabel* WhiteFace() const { return m_white; }
    QLabel* BlackFace() const { return m_black; }

signals:
    // The time of `white` (1 White, 0 Black) ran out; reported once per clock.
    void FlagFell(std::uint8_t white);

private:
    void Refresh();

    SteadyTimeSource m_time;
    std::optional<Clock> m_clock;
    QLabel* m_white = nullptr;
    QLabel* m_black = nullptr;
    QTimer* m_redraw = nullptr;
    bool m_flagReported = false;
    std::vector<std::optional<ClockTime>> m_moveTimes;
};
