// bench-engine-reply: the time from an engine's reply line to the move made in a game window
// (the clock stopped and the move entered in the list, within one call), as median and 99th
// percentile over ROOKVALE_BENCH_REPLIES replies (1000) for a UCI and an xboard engine, without
// a clock (the xboard one at the 1000 ms poll of the program's own dialogue, against a user who
// takes a random part of a second to move) and under a 10+0 clock, where the time the engine is
// told is also compared with what its clock really held when it was told. Then the memory the
// program gains while an engine floods its thinking for ROOKVALE_BENCH_FLOOD_MS (10000) with the
// Engine Output panel shown, and the longest the event loop was held up meanwhile.
//
// The engine is engine-bench-stand-in, which answers at once with a legal move and notes on
// the steady clock when it wrote each reply; both processes read the same monotonic clock.
// Without a DISPLAY the offscreen platform is used. The machine's load shows in every figure.
#include "board/TMDIChild.h"
#include "game/NullDisplay.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;

// A game longer than this starts afresh, so that the replies keep coming.
constexpr int kMaxPlies = 200;
constexpr int kIdleMs = 2000;

long long nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               SteadyClock::now().time_since_epoch())
        .count();
}

double percentile(std::vector<double> values, double share) {
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(share * static_cast<double>(values.size() - 1))];
}

void click(QLabel* square) {
    const QPointF centre = square->rect().center();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, centre, square->mapToGlobal(centre), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(square, &event);
    }
}

// "Do you want to play white pieces?": yes, once it is up.
void answerColourQuestion() {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        box->button(QMessageBox::Yes)->click();
        timer->deleteLater();
    });
    timer->start(5);
}

qint64 statusKiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(static_cast<qsizetype>(qstrlen(field)))
                .trimmed()
                .split(' ')[0]
                .toLongLong();
    }
    return -1;
}

// The longest the event loop is held up while it runs, as a 10 ms timer sees it.
class HoldUps {
public:
    HoldUps() {
        QObject::connect(&m_beat, &QTimer::timeout, [this] {
            const SteadyClock::time_point now = SteadyClock::now();
            worstMs =
                std::max(worstMs, std::chrono::duration<double, std::milli>(now - m_last).count());
            m_last = now;
        });
    }
    void Start() {
        m_last = SteadyClock::now();
        m_beat.start(10);
    }
    void Stop() { m_beat.stop(); }
    double worstMs = 0;

private:
    QTimer m_beat;
    SteadyClock::time_point m_last;
};

struct Scenario {
    const char* name;
    EngineProtocol protocol;
    const char* control; // a time control, or null for none
    int userPauseMs;     // the user takes up to this long to answer the engine's move
    int floodMs;         // the engine floods its thinking this long before a reply
};

// Plays games of the user (White, by mouse clicks) against the stand-in in a game window
// until enough replies were timed.
class ReplyRun : public QObject {
public:
    ReplyRun(const Scenario& scenario, int replies)
        : m_scenario(scenario), m_replies(replies), m_log(m_folder.filePath("engine.log")) {}

    void Run() {
        qputenv("ROOKVALE_BENCH_PROTOCOL",
                m_scenario.protocol == EngineProtocol::Uci ? "uci" : "xboard");
        qputenv("ROOKVALE_BENCH_LOG", m_log.toLocal8Bit());
        qputenv("ROOKVALE_BENCH_FLOOD_MS", QByteArray::number(m_scenario.floodMs));
        StartGame();
        m_loop.exec();
        EndGame();
    }

    std::vector<double> latencyMs;
    std::vector<double> keptBackMs; // the engine's clock when told, less what it was told
    qint64 floodLines = 0;
    qint64 floodBytes = 0;
    qint64 panelLines = 0;
    HoldUps holdUps; // while the engine floods

private:
    void StartGame() {
        EndGame();
        m_window = std::make_unique<TMDIChild>();
        m_window->show();
        if (m_scenario.control)
            m_window->SetTimeControl(ParseTimeControl(m_scenario.control).control);
        m_window->SetEngineOutputShown(m_scenario.floodMs > 0);
        connect(m_window->findChild<QTableWidget*>()->model(), &QAbstractItemModel::dataChanged,
                this, [this] { CellChanged(); });
        answerColourQuestion();
        m_window->StartEngine(QStringLiteral(BENCH_STAND_IN), m_scenario.protocol);
        QTimer::singleShot(0, this, [this] { UserMove(); });
    }

    void EndGame() {
        if (!m_window)
            return;
        if (auto* panel = m_window->findChild<QPlainTextEdit*>(QStringLiteral("EngineOutput")))
            panelLines += panel->blockCount();
        m_window->CloseEngineLink();
        m_window.reset();
    }

    void UserMove() {
        Game& game = m_window->game();
        if (game.Model().finished || game.LivePosition() >= kMaxPlies) {
            StartGame();
            return;
        }
        NullDisplay quiet;
        Game copy = game;
        copy.SetDisplay(quiet);
        std::vector<Game::SquarePair> moves;
        for (const Game::SquarePair move : copy.LegalMoves()) {
            const TSquare& to = copy.Model().board[move.to];
            const bool promotion = copy.Model().board[move.from].piece.kind == kind::Pawn &&
                                   (to.name[1] == '1' || to.name[1] == '8');
            if (!promotion)
                moves.push_back(move);
        }
        if (moves.empty()) {
            StartGame();
            return;
        }
        const Game::SquarePair move =
            moves[std::uniform_int_distribution<size_t>(0, moves.size() - 1)(m_random)];
        const int before = game.LivePosition();
        click(m_window->findChild<QLabel*>(
            QString::fromStdString(copy.Model().board[move.from].name)));
        click(
            m_window->findChild<QLabel*>(QString::fromStdString(copy.Model().board[move.to].name)));
        if (game.LivePosition() != before + 1 || game.Model().finished) {
            StartGame();
            return;
        }
        if (const Clock* clock = m_window->GameClock(); clock && clock->Running()) {
            m_turnStartNs = nowNs();
            m_remainingAtStart = clock->Remaining(0);
        } else {
            m_turnStartNs = 0;
        }
        m_cellNs = 0;
        m_awaiting = true;
        if (m_scenario.floodMs > 0)
            holdUps.Start();
    }

    void CellChanged() {
        if (!m_awaiting || m_cellNs)
            return;
        m_cellNs = nowNs();
        QMetaObject::invokeMethod(
            this, [this] { EngineMoved(); }, Qt::QueuedConnection);
    }

    void EngineMoved() {
        m_awaiting = false;
        holdUps.Stop();
        long long replyNs = 0, toldNs = 0, toldMs = -1;
        QFile log(m_log);
        if (log.open(QIODevice::ReadOnly)) {
            log.seek(m_logRead);
            for (const QByteArray& line : log.readAll().split('\n')) {
                const QList<QByteArray> words = line.split(' ');
                if (words[0] == "reply" && words.size() == 2)
                    replyNs = words[1].toLongLong();
                else if (words[0] == "told" && words.size() == 3)
                    toldNs = words[1].toLongLong(), toldMs = words[2].toLongLong();
                else if (words[0] == "flood" && words.size() == 3)
                    floodLines += words[1].toLongLong(), floodBytes += words[2].toLongLong();
            }
            m_logRead = log.pos();
        }
        if (replyNs)
            latencyMs.push_back(static_cast<double>(m_cellNs - replyNs) / 1e6);
        if (m_turnStartNs && toldMs >= 0 && toldNs >= m_turnStartNs) {
            const double heldMs =
                std::chrono::duration<double, std::milli>(m_remainingAtStart).count() -
                static_cast<double>(toldNs - m_turnStartNs) / 1e6;
            keptBackMs.push_back(heldMs - static_cast<double>(toldMs));
        }
        if (static_cast<int>(latencyMs.size()) >= m_replies) {
            m_loop.quit();
            return;
        }
        const int pause =
            m_scenario.userPauseMs > 0
                ? std::uniform_int_distribution<int>(0, m_scenario.userPauseMs)(m_random)
                : 0;
        QTimer::singleShot(pause, this, [this] { UserMove(); });
    }

    Scenario m_scenario;
    int m_replies;
    QTemporaryDir m_folder;
    QString m_log;
    qint64 m_logRead = 0;
    std::unique_ptr<TMDIChild> m_window;
    QEventLoop m_loop;
    std::minstd_rand m_random{19};
    bool m_awaiting = false;
    long long m_cellNs = 0;
    long long m_turnStartNs = 0;
    ClockTime m_remainingAtStart{0};
};

int envOr(const char* name, int fallback) {
    const int value = qEnvironmentVariableIntValue(name);
    return value > 0 ? value : fallback;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int replies = envOr("ROOKVALE_BENCH_REPLIES", 1000);
    const int floodMs = envOr("ROOKVALE_BENCH_FLOOD_MS", 10000);

    const Scenario timed[] = {
        {"UCI, no clock", EngineProtocol::Uci, nullptr, 0, 0},
        {"xboard at the 1000 ms poll, no clock", EngineProtocol::Xboard, nullptr, 999, 0},
        {"UCI, 10+0 clock", EngineProtocol::Uci, "10+0", 0, 0},
        {"xboard, 10+0 clock", EngineProtocol::Xboard, "10+0", 0, 0},
    };
    for (const Scenario& scenario : timed) {
        ReplyRun run(scenario, replies);
        run.Run();
        std::printf("reply line written -> move made, %s, %zu replies: median %.3f ms, p99 %.3f "
                    "ms, max %.3f ms\n",
                    scenario.name, run.latencyMs.size(), percentile(run.latencyMs, 0.5),
                    percentile(run.latencyMs, 0.99), percentile(run.latencyMs, 1.0));
        if (!run.keptBackMs.empty())
            std::printf("  time kept back from the engine when told its clock (reserve and the "
                        "command's way there), %zu searches: median %.3f ms, p99 %.3f ms, min "
                        "%.3f ms\n",
                        run.keptBackMs.size(), percentile(run.keptBackMs, 0.5),
                        percentile(run.keptBackMs, 0.99), percentile(run.keptBackMs, 0.0));
        std::fflush(stdout);
    }

    for (const EngineProtocol protocol : {EngineProtocol::Uci, EngineProtocol::Xboard}) {
        const Scenario flood{protocol == EngineProtocol::Uci ? "UCI info lines"
                                                             : "xboard thinking lines",
                             protocol, nullptr, 0, floodMs};
        // The machine's own hold-ups, for comparison: the same beat with nothing to do.
        HoldUps idle;
        idle.Start();
        QEventLoop wait;
        QTimer::singleShot(kIdleMs, &wait, &QEventLoop::quit);
        wait.exec();
        idle.Stop();
        const qint64 rssBefore = statusKiB("VmRSS:");
        // The peak from here on: the kernel's high-water mark starts again at the present size.
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        const bool peakReset = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
        clear.close();
        ReplyRun run(flood, 1);
        run.Run();
        std::printf("flood of %s for %d ms with the Engine Output panel shown: %lld lines, %.1f "
                    "MiB; memory before %lld KiB, peak growth %s%lld KiB; event loop held up at "
                    "most %.1f ms (10 ms beat; %.1f ms idle beforehand); reply -> move %.3f ms%s; "
                    "panel kept %lld lines\n",
                    flood.name, floodMs, static_cast<long long>(run.floodLines),
                    static_cast<double>(run.floodBytes) / (1024.0 * 1024.0),
                    static_cast<long long>(rssBefore), peakReset ? "" : "(since start) ",
                    static_cast<long long>(statusKiB("VmHWM:") - rssBefore), run.holdUps.worstMs,
                    idle.worstMs, percentile(run.latencyMs, 0.5),
                    protocol == EngineProtocol::Xboard ? " (at the 1000 ms poll)" : "",
                    static_cast<long long>(run.panelLines));
        std::fflush(stdout);
    }
    return 0;
}
