// rvboard-window: one game window on its own.
//   rvboard-window                        shows the window
//   rvboard-window --picture FILE [--turn] [--moves e2e4,e7e5,...]
//                                         saves a picture of the window and ends
//   --pieces NAME, --colours NAME         with another piece set or board colours
//   rvboard-window --await-drag           prints "ready X1 Y1 X2 Y2", the screen centres of
//                                         e2 and e4, then waits up to 30 s for e2-e4 to be
//                                         dragged; ends 0 once the move list shows "e4"
//   rvboard-window --watch [--moves ...] [--engine PATH]
//                                         shows the window (after those moves, with that
//                                         engine attached at its slowest speed) and reports
//                                         on standard output "board SQUARE" once a resize has
//                                         settled, with the board's square size,
//                                         "moves e2e4,e7e5,..." whenever a move was made,
//                                         "premove e2e4" (or "premove" for none),
//                                         "status TEXT" and "heard TEXT" (what a screen
//                                         reader was last told) whenever those change
#include "board/BoardSettings.h"
#include "board/MoveGrid.h"
#include "board/TMDIChild.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QStringList>
#include <QTextStream>
#include <QTimer>

namespace {

class ChosenSettings : public BoardSettings {
public:
    explicit ChosenSettings(const QStringList& args)
        : m_pieces(valueOf(args, "--pieces", "Modern 2")),
          m_colours(valueOf(args, "--colours", "Best Green")) {}
    QString PieceSet() const override { return m_pieces; }
    QString BoardColours() const override { return m_colours; }
    void PlaySound(const QString&) override {}

private:
    static QString valueOf(const QStringList& args, const char* option, const char* fallback) {
        const int at = args.indexOf(option);
        return at >= 0 && at + 1 < args.size() ? args[at + 1] : QString(fallback);
    }
    QString m_pieces;
    QString m_colours;
};

QPoint centreOf(const TMDIChild& window, const char* square) {
    const QLabel* image = window.findChild<QLabel*>(square);
    return image->mapToGlobal(image->rect().center());
}

bool makeMoves(TMDIChild& window, const QStringList& args) {
    const int moves = args.indexOf("--moves");
    if (moves < 0 || moves + 1 >= args.size())
        return true;
    for (const QString& move : args[moves + 1].split(',')) {
        if (move.size() == 5)
            window.game().Model().promotionChoice = KindOfLetter(move.at(4).toLatin1());
        if (!window.game().MakeMove(move.left(2).toStdString(), move.mid(2, 2).toStdString())) {
            QTextStream(stderr) << "refused: " << move << "\n";
            return false;
        }
    }
    return true;
}

int savePicture(TMDIChild& window, const QStringList& args) {
    if (!makeMoves(window, args))
        return 1;
    if (args.contains("--turn"))
        window.InvertBoard1Click();
    window.show();
    return window.grab().save(args[args.indexOf("--picture") + 1]) ? 0 : 1;
}

// Reports the board's square size a moment after the last resize, and every new move.
class Watcher : public QObject {
public:
    explicit Watcher(TMDIChild& window) : m_window(window) {
        m_settled.setSingleShot(true);
        m_settled.setInterval(300);
        connect(&m_settled, &QTimer::timeout, this,
                [this] { QTextStream(stdout) << "board " << m_window.SquareSize() << Qt::endl; });
        // Moves first: a premove made or dropped in the same tick follows the move it answers.
        connect(&m_poll, &QTimer::timeout, this, [this] {
            ReportMoves();
            if (const std::string premove = m_window.PendingPremove(); premove != m_premove) {
                m_premove = premove;
                QTextStream(stdout) << "premove " << QString::fromStdString(premove) << Qt::endl;
            }
            if (const QString status = m_window.StatusText(); status != m_status) {
                m_status = status;
                QTextStream(stdout) << "status " << status << Qt::endl;
            }
            if (const QString heard = m_window.LastAnnouncement(); heard != m_heard) {
                m_heard = heard;
                QTextStream(stdout) << "heard " << heard << Qt::endl;
            }
        });
        m_poll.start(50);
        window.installEventFilter(this);
        m_settled.start();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            m_settled.start();
        return false;
    }

private:
    void ReportMoves() {
        const auto& record = m_window.game().Model().moveRecord;
        if (record.size() == m_moves)
            return;
        m_moves = record.size();
        QStringList lines;
        for (const std::string& line : record)
            lines << QString::fromStdString(line);
        QTextStream(stdout) << "moves " << lines.join(',') << Qt::endl;
    }

    TMDIChild& m_window;
    QTimer m_settled;
    QTimer m_poll;
    size_t m_moves = 0;
    std::string m_premove;
    QString m_status;
    QString m_heard;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    ChosenSettings settings(args);
    BoardSettings::Install(&settings);
    TMDIChild window;
    if (args.contains("--picture") && args.indexOf("--picture") + 1 < args.size())
        return savePicture(window, args);

    window.move(0, 0);
    window.show();
    if (args.contains("--watch")) {
        if (!makeMoves(window, args))
            return 1;
        Watcher watcher(window);
        const int engine = args.indexOf("--engine");
        if (engine >= 0 && engine + 1 < args.size()) {
            // Slow, so that a premove is surely entered before the engine replies.
            QTimer::singleShot(0, &window, [&window, path = args[engine + 1]] {
                window.StartEngine(path);
                window.Slow1Click();
            });
        }
        return app.exec();
    }
    if (!args.contains("--await-drag"))
        return app.exec();

    QTimer::singleShot(500, &window, [&window] {
        const QPoint from = centreOf(window, "e2");
        const QPoint to = centreOf(window, "e4");
        QTextStream(stdout) << "ready " << from.x() << ' ' << from.y() << ' ' << to.x() << ' '
                            << to.y() << Qt::endl;
    });
    auto* grid = window.findChild<MoveGrid*>("StringGrid1");
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const auto& record = window.game().Model().moveRecord;
        if (grid->Cell(1, 1) == "e4" && record == std::vector<std::string>{"e2e4"} &&
            window.game().Model().At("e4").piece.kind == "Pawn") {
            QTextStream(stdout) << "moved e2e4" << Qt::endl;
            app.exit(0);
        }
    });
    watch.start(50);
    QTimer::singleShot(30000, &app, [&app] {
        QTextStream(stdout) << "no move arrived" << Qt::endl;
        app.exit(1);
    });
    return app.exec();
}
