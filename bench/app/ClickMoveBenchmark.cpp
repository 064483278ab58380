// bench-board-click: the time from a click on the target square of a picked piece until the
// board has drawn the move, as median and 99th percentile over many moves. The click is a
// real press and release sent through the window's event handling; "drawn" is the board's
// synchronous repaint after it. Without a DISPLAY the offscreen platform is used.
#include "board/TMDIChild.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kMoves = 400;

void send(QLabel* square, QEvent::Type type) {
    const QPointF centre = square->rect().center();
    QMouseEvent event(type, centre, square->mapToGlobal(centre), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(square, &event);
}

void click(QLabel* square) {
    send(square, QEvent::MouseButtonPress);
    send(square, QEvent::MouseButtonRelease);
}

double percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[at];
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    TMDIChild window;
    window.show();
    QApplication::processEvents();
    auto* board = window.findChild<QWidget*>("LeftPanel");
    // Each move is taken back after it was timed, so the game never ends.
    const char* const kTour[][2] = {{"g1", "f3"}, {"e2", "e4"}, {"b1", "c3"}, {"d2", "d4"}};
    std::vector<double> millis;
    for (int i = 0; i < kMoves; ++i) {
        const auto& move = kTour[i % 4];
        click(window.findChild<QLabel*>(move[0]));
        QApplication::processEvents();
        QLabel* target = window.findChild<QLabel*>(move[1]);
        const auto start = std::chrono::steady_clock::now();
        click(target);
        board->repaint();
        const auto end = std::chrono::steady_clock::now();
        millis.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        QApplication::processEvents();
        window.TakeBack1Click();
    }
    std::printf("click on target square to move drawn, %d moves (%s): median %.3f ms, "
                "p99 %.3f ms, max %.3f ms; moves left made %d\n",
                kMoves, qPrintable(QApplication::platformName()), percentile(millis, 0.5),
                percentile(millis, 0.99), percentile(millis, 1.0), window.game().LivePosition());
    return 0;
}
