// bare-qt-window: the yardstick for the program's start-up. A plain Qt main window
// with a multi-document area and one menu, shown maximised; prints the milliseconds from
// process start until it is on the screen, its resident memory in MB once it is idle, and
// the anonymous part of that memory.
#include "YardstickWindow.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenuBar>

int main(int argc, char** argv) {
    useOffscreenWithoutDisplay();
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.setCentralWidget(new QMdiArea);
    window.menuBar()->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("E&xit"));
    return showAndReport(window);
}
