#include "ClockPanel.h"

#include <QLabel>
#include <QTimer>

#include <algorithm>

namespace {

using namespace std::chrono_literals;

QLabel* face(QWidget* parent, const char* name, const QString& accessibleName, const QRect& place) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleName(accessibleName);
    label->setGeometry(place);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(16);
    font.setBold(true);
    label->setFont(font);
    label->hide();
    return label;
}

// How long until the face of a running clock with `remaining` shows another text: the
// next whole second, or the next tenth below ten seconds.
ClockTime untilTextChanges(ClockTime remaining) {
    const ClockTime step = remaining <= 10s ? ClockTime(100ms) : ClockTime(1s);
    const ClockTime into = remaining % step;
    return into == 0us ? step : into;
}

} // namespace

ClockPanel::ClockPanel(QWidget* parent, const QRect& blackPlace, const QRect& whitePlace)
    : QObject(parent),
      m_white(face(parent, "WhiteClock", QStringLiteral("White Clock"), whitePlace)),
      m_black(face(parent, "BlackClock", QStringLiteral("Black Clock"), blackPlace)),
      m_redraw(new QTimer(this)) {
    m_redraw->setSingleShot(true);
    m_redraw->setTimerType(Qt::PreciseTimer);
    connect(m_redraw, &QTimer::timeout, this, &ClockPanel::Refresh);
}

ClockPanel::~ClockPanel() = default;

void ClockPanel::Start(const std::optional<TimeControl>& control, int halfMovesPlayed) {
    m_redraw->stop();
    m_flagReported = false;
    m_clock.reset();
    if (!control) {
        m_white->hide();
        m_black->hide();
        return;
    }
    m_clock.emplace(*control, m_time, halfMovesPlayed);
    m_white->show();
    m_black->show();
    Refresh();
}

void ClockPanel::MoveMade(int halfMovesPlayed) {
    // Moves the game made while no clock saw them (a game file's) have no time.
    m_moveTimes.resize(static_cast<std::size_t>(std::max(halfMovesPlayed - 1, 0)));
    if (!m_clock) {
        m_moveTimes.emplace_back();
        return;
    }
    const std::uint8_t mover = m_clock->SideToMove();
    const bool timed = !m_clock->Stopped();
    m_clock->MoveMade();
    m_moveTimes.push_back(timed ? std::optional(m_clock->Remaining(mover)) : std::nullopt);
    Refresh();
}

void ClockPanel::TakeBack(bool ended) {
    if (!m_moveTimes.empty()) {
        m_moveTimes.pop_back();
    }
    if (!m_clock || (ended && !m_clock->Resume())) {
        return;
    }
    m_clock->TakeBack();
    Refresh();
}

void ClockPanel::Stop() {
    if (!m_clock) {
        return;
    }
    m_clock->Stop();
    Refresh();
}

void ClockPanel::Resume() {
    if (!m_clock) {
        return;
    }
    m_clock->Resume();
    Refresh();
}

void ClockPanel::SetRemaining(std::uint8_t white, ClockTime remaining) {
    if (!m_clock) {
        return;
    }
    m_clock->SetRemaining(white, remaining);
    if (!m_clock->Flagged()) {
        m_flagReported = false;
    }
    Refresh();
}

void ClockPanel::SwapPlaces() {
    const int top = m_white->y();
    m_white->move(m_white->x(), m_black->y());
    m_black->move(m_black->x(), top);
}

void ClockPanel::Refresh() {
    m_redraw->stop();
    if (!m_clock) {
        return;
    }
    const std::uint8_t toMove = m_clock->SideToMove();
    for (const std::uint8_t colour : {std::uint8_t{1}, std::uint8_t{0}}) {
        QLabel* label = colour ? m_white : m_black;
        const QString text = QString::fromStdString(ClockText(m_clock->Remaining(colour)));
        label->setText(text);
        // The accessible name says whose clock it is; a screen reader reads the time here.
        label->setAccessibleDescription(text);
        label->setEnabled(colour == toMove || m_clock->Stopped());
    }
    if (const auto flagged = m_clock->Flagged()) {
        m_clock->Stop();
        if (!m_flagReported) {
            m_flagReported = true;
            emit FlagFell(*flagged);
        }
        return;
    }
    if (m_clock->Running()) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(
            untilTextChanges(m_clock->Remaining(toMove)));
        m_redraw->start(static_cast<int>(std::max<std::int64_t>(wait.count(), 1)));
    }
}
