#pragma once

// What the yardstick windows of bench-app-startup share: the platform they start on and how
// they report their figures.
#include "ProcessFigures.h"

#include <QTest>
#include <QWidget>

#include <cstdio>

// Without a display the offscreen platform, which draws nothing on a screen.
inline void useOffscreenWithoutDisplay() {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Shows `window` maximised and prints the milliseconds from process start until it is on the
// screen, then its resident memory in MB once it is idle and the anonymous part of that
// memory; the exit code of the yardstick.
inline int showAndReport(QWidget& window) {
    window.showMaximized();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    const double shown = secondsSinceBoot();
    QTest::qWait(200);
    std::printf("%.1f %.1f %.1f\n", (shown - processStartSinceBoot()) * 1000, residentMegabytes(),
                anonymousMegabytes());
    return 0;
}
