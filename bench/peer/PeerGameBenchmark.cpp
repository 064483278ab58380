// bench-peer-games: clocked games under the extended protocol on loopback.
//  1. The time from an extended move line written by the peer (a plain socket that says
//     hello and accepts the terms) to the move being on the listening program's board,
//     over 40 games of the same 20 half-moves; median and 99th percentile.
//  2. Two copies of the program's main window, one waiting (White, "3+2") and one
//     connected, play the 20 half-moves with each side's user moving in turn; after each
//     move has reached the other side both sides' clocks are read at the same instant,
//     and the largest difference of either colour's time is printed (target: 0.2 s).
// Both copies run in this one process, so the clocks are read on one time source; their
// lines still cross real loopback sockets. Without a DISPLAY the offscreen platform is used.
#include "BenchMainForm.h"
#include "RawPeer.h"
#include "app/OptionsMenu.h"
#include "board/TMDIChild.h"
#include "game/Clock.h"
#include "game/Fen.h"
#include "peer/PeerExtendedProtocol.h"
#include "peer/PeerLink.h"
#include "peer/PeerProtocol.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr int kGames = 40;
// A Ruy Lopez: no position comes round again, so no game ends early.
const char* const kGame[] = {"e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "a7a6", "b5a4",
                             "g8f6", "e1g1", "f8e7", "f1e1", "b7b5", "a4b3", "d7d6",
                             "c2c3", "e8g8", "h2h3", "c6b8", "d2d4", "b8d7"};
constexpr int kPlies = sizeof kGame / sizeof kGame[0];

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "bench-peer-games: %s\n", what);
    std::exit(1);
}

// The peer's (Black's) move lines of the game, each with its number, time and position.
std::vector<QByteArray> blackLines() {
    TMDIChild board;
    std::vector<QByteArray> lines(kPlies);
    for (int ply = 1; ply <= kPlies; ++ply) {
        const std::string move = kGame[ply - 1];
        board.MakeMoveFromOutside(move.substr(0, 2), move.substr(2, 2), "");
        lines[ply - 1] = "/rv move " + QByteArray::number(ply) + ' ' + kGame[ply - 1] + " 175000 " +
                         QByteArray::fromStdString(FenText(board.game().Model())) + "\r\n";
    }
    return lines;
}

void offerWhite(TMainForm& form) {
    form.Options()->WriteSetting("Peer", "TermsColour", "White");
    form.Options()->WriteSetting("Peer", "TermsTimeControl", "3+2");
}

// Latency from a written move line to the listening program's board.
std::vector<double> receivedMoveLatency() {
    BenchMainForm copy;
    TMainForm& form = *copy.form;
    offerWhite(form);
    QString error;
    if (!form.Link().Listen(error))
        fail("cannot listen");
    const std::vector<QByteArray> lines = blackLines();
    std::vector<double> micros;
    RawPeer peer(peerPort());
    peer.send("/rv hello 1 Bench\r\n");
    for (int game = 0; game < kGames; ++game) {
        // Each game after the first is the peer's "/new", whose terms are proposed again.
        if (game > 0)
            peer.send("/new\r\n");
        QByteArray terms;
        benchWaitFor([&] {
            int seen = 0;
            for (const QByteArray& line : peer.extendedLines()) {
                if (line.startsWith("/rv terms ") && seen++ == game)
                    terms = line;
            }
            return !terms.isEmpty();
        });
        const ExtendedReading reading = readExtendedLine(terms);
        if (!reading.message)
            fail("no terms");
        peer.send("/rv accept " + reading.message->game + "\r\n");
        TMDIChild* window = nullptr;
        benchWaitFor([&] {
            window = form.PeerGameWindow();
            return window && window->PeerColour() && window->game().LivePosition() == 0;
        });
        if (!window)
            fail("the terms were not agreed");
        for (int ply = 1; ply <= kPlies; ply += 2) {
            const std::string move = kGame[ply - 1];
            if (!window->UserMove(move.substr(0, 2), move.substr(2, 2)))
                fail("the program's move was refused");
            const auto start = std::chrono::steady_clock::now();
            peer.send(lines[ply]);
            if (!benchWaitFor([&] { return window->game().LivePosition() == ply + 1; }))
                fail("the peer's move did not arrive");
            const auto end = std::chrono::steady_clock::now();
            micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
            QCoreApplication::processEvents();
        }
        // The finished games' windows are closed, so that they do not pile up.
        window->EndPeerGame(" - (Draw)");
        window->close();
    }
    return micros;
}

double seconds(ClockTime time) {
    return std::chrono::duration<double>(time).count();
}

// Two copies play the game; the largest clock difference seen, in seconds.
double clockDifference(std::vector<double>& moveMicros) {
    BenchMainForm waiting;
    BenchMainForm connecting;
    offerWhite(*waiting.form);
    QString error;
    if (!waiting.form->Link().Listen(error))
        fail("cannot listen");
    connecting.form->Link().Connect(QStringLiteral("127.0.0.1"));
    QMessageBox* prompt = nullptr;
    benchWaitFor([&] {
        prompt = connecting.form->findChild<QMessageBox*>(QStringLiteral("GameTermsPrompt"));
        return prompt != nullptr;
    });
    if (!prompt)
        fail("no Game Terms prompt");
    for (QAbstractButton* button : prompt->buttons()) {
        if (button->text() == QStringLiteral("Accept"))
            button->click();
    }
    TMDIChild* white = waiting.form->PeerGameWindow();
    TMDIChild* black = connecting.form->PeerGameWindow();
    if (!benchWaitFor([&] { return white && black && white->GameClock() && black->GameClock(); }))
        fail("the clocked game did not start");
    double largest = 0;
    for (int ply = 1; ply <= kPlies; ++ply) {
        TMDIChild* mover = ply % 2 ? white : black;
        TMDIChild* receiver = ply % 2 ? black : white;
        // A person's moment of thought, so that the clocks have something to count.
        const auto think = std::chrono::steady_clock::now() + 150ms;
        benchWaitFor([&] { return std::chrono::steady_clock::now() >= think; });
        const std::string move = kGame[ply - 1];
        const auto start = std::chrono::steady_clock::now();
        if (!mover->UserMove(move.substr(0, 2), move.substr(2, 2)))
            fail("a move was refused");
        if (!benchWaitFor([&] { return receiver->game().LivePosition() == ply; }))
            fail("a move did not arrive");
        const auto end = std::chrono::steady_clock::now();
        moveMicros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        for (const std::uint8_t colour : {std::uint8_t{1}, std::uint8_t{0}}) {
            const double difference = std::abs(seconds(white->GameClock()->Remaining(colour)) -
                                               seconds(black->GameClock()->Remaining(colour)));
            largest = std::max(largest, difference);
        }
    }
    std::printf("  clocks after %d half-moves: waiting side %s / %s, connected side %s / %s\n",
                kPlies, ClockText(white->GameClock()->Remaining(1)).c_str(),
                ClockText(white->GameClock()->Remaining(0)).c_str(),
                ClockText(black->GameClock()->Remaining(1)).c_str(),
                ClockText(black->GameClock()->Remaining(0)).c_str());
    return largest;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("ROOKVALE_PEER_PORT"))
        qputenv("ROOKVALE_PEER_PORT", "19891");
    qputenv("ROOKVALE_AD_HOST", "http://127.0.0.1:9");
    QApplication application(argc, argv);

    const std::vector<double> received = receivedMoveLatency();
    std::printf("extended move line to board, listening side, %zu moves on loopback:\n",
                received.size());
    std::printf("  median %.1f us\n", benchPercentile(received, 0.5));
    std::printf("  p99    %.1f us\n", benchPercentile(received, 0.99));

    std::vector<double> between;
    const double largest = clockDifference(between);
    std::printf("two copies, \"3+2\", %d half-moves on loopback:\n", kPlies);
    std::printf("  move from one board to the other: median %.1f us, p99 %.1f us\n",
                benchPercentile(between, 0.5), benchPercentile(between, 0.99));
    std::printf("  largest clock difference between the two sides: %.4f s (target: 0.2 s)\n",
                largest);
    return 0;
}
