// bare-qt-window: the yardstick for the program's start-up. A plain Qt main window
// with a multi-document area and one menu, shown maximised; prints the milliseconds from
// process start until it is on the screen, its resident memory in MB once it is idle, and
// the anonymous part of that memory.
#include "ProcessFigures.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenuBar>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.setCentralWidget(new QMdiArea);
    window.menuBar()->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("E&xit"));
    window.showMaximized();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    const double shown = secondsSinceBoot();
    QTest::qWait(200);
    std::printf("%.1f %.1f %.1f\n", (shown - processStartSinceBoot()) * 1000, residentMegabytes(),
                anonymousMegabytes());
    return 0;
}
