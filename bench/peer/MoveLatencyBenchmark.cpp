// bench-peer-latency: on the listening side, the time from a move line written by the
// peer (a plain socket on loopback) to the move being on the receiving board, over 1000
// moves; prints the median and the 99th percentile. The knights go out and back, so
// every line is a legal move. Without a DISPLAY the offscreen platform is used.
#include "BenchMainForm.h"
#include "RawPeer.h"
#include "board/TMDIChild.h"
#include "peer/PeerLink.h"
#include "peer/PeerProtocol.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kMoves = 1000;
const char* const kDance[] = {"g1f3", "g8f6", "f3g1", "f6g8"};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("ROOKVALE_PEER_PORT"))
        qputenv("ROOKVALE_PEER_PORT", "19890");
    qputenv("ROOKVALE_AD_HOST", "http://127.0.0.1:9");
    QApplication application(argc, argv);
    BenchMainForm copy;
    TMainForm& form = *copy.form;
    QString error;
    if (!form.Link().Listen(error)) {
        std::fprintf(stderr, "cannot listen on %d: %s\n", peerPort(), qPrintable(error));
        return 1;
    }
    RawPeer peer(peerPort());
    benchWaitFor([&] { return form.PeerGameWindow() != nullptr; });
    TMDIChild* game = form.PeerGameWindow();
    if (!peer.connected() || !game) {
        std::fprintf(stderr, "the peer did not get connected\n");
        return 1;
    }

    std::vector<double> micros;
    micros.reserve(kMoves);
    for (int i = 0; i < kMoves; ++i) {
        const int before = game->game().LivePosition();
        const QByteArray line = QByteArray("/move ") + kDance[i % 4] + "\r\n";
        const auto start = std::chrono::steady_clock::now();
        peer.send(line);
        while (game->game().LivePosition() == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        const auto end = std::chrono::steady_clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        // The board is repainted between moves, as it is between a person's moves.
        QCoreApplication::processEvents();
    }
    std::printf("move line to board, server side, %d moves on loopback:\n", kMoves);
    std::printf("  median %.1f us\n", benchPercentile(micros, 0.5));
    std::printf("  p99    %.1f us\n", benchPercentile(micros, 0.99));
    std::printf("  target: median under 5000 us\n");
    return 0;
}
