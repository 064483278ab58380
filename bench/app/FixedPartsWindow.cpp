// fixed-parts-window: the floor under the program's start-up. The bare window plus only the
// kinds of parts that the program's layout fixes for every start, each built the plain way
// with nothing of the program's own: the single-instance local server (which loads Qt
// Network), a tool bar and a status bar, and three multi-document children as the program
// opens them: a game window (64 square picture labels, a three-column move table, a text
// browser for the advertisement), a Connection window (fields and buttons) and a console (a
// plain text edit and a line edit). Prints the same figures as bare-qt-window: milliseconds
// from process start until it is on the screen, resident and anonymous memory in MB once idle.
#include "YardstickWindow.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocalServer>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QWidget* gameWindow() {
    auto* game = new QWidget;
    auto* layout = new QGridLayout(game);
    layout->setSpacing(0);
    QPixmap light(60, 60), dark(60, 60);
    light.fill(QColor(0xee, 0xee, 0xd2));
    dark.fill(QColor(0x76, 0x96, 0x56));
    for (int square = 0; square < 64; ++square) {
        auto* label = new QLabel;
        label->setPixmap((square / 8 + square % 8) % 2 ? dark : light);
        // A board that may shrink, as the program's does: otherwise the window would be
        // made larger than the bare one, and its larger backing store counted as a part.
        label->setMinimumSize(1, 1);
        layout->addWidget(label, square / 8, square % 8);
    }
    layout->addWidget(new QTableWidget(0, 3), 0, 8, 6, 1);
    layout->addWidget(new QTextBrowser, 6, 8, 2, 1);
    return game;
}

QWidget* connectionWindow() {
    auto* connection = new QWidget;
    auto* layout = new QVBoxLayout(connection);
    layout->addWidget(new QLineEdit(QStringLiteral("127.0.0.1")));
    layout->addWidget(new QPushButton(QStringLiteral("&Connect")));
    layout->addWidget(new QPushButton(QStringLiteral("&Listen")));
    return connection;
}

QWidget* consoleWindow() {
    auto* console = new QWidget;
    auto* layout = new QVBoxLayout(console);
    layout->addWidget(new QPlainTextEdit);
    layout->addWidget(new QLineEdit);
    return console;
}

} // namespace

int main(int argc, char** argv) {
    useOffscreenWithoutDisplay();
    QApplication application(argc, argv);
    const QString serverName = QStringLiteral("rookvale-fixed-parts-%1").arg(getpid());
    QLocalServer server;
    if (!server.listen(serverName))
        return 1;
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Fixed parts"));
    auto* area = new QMdiArea;
    window.setCentralWidget(area);
    window.menuBar()->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("E&xit"));
    QToolBar* tools = window.addToolBar(QStringLiteral("Tools"));
    QPixmap button(24, 24);
    button.fill(Qt::darkBlue);
    tools->addAction(QIcon(button), QStringLiteral("New"));
    window.statusBar()->showMessage(QStringLiteral("Ready"));
    for (QWidget* child : {gameWindow(), connectionWindow(), consoleWindow()})
        area->addSubWindow(child)->show();
    return showAndReport(window);
}
