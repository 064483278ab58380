// The link's round trip as pings and pongs measure it, and the allowance a clocked game
// makes for it before a flag is claimed.
#include "peer/PeerRoundTrip.h"

#include <QTest>

namespace {

using namespace std::chrono_literals;
using Duration = PeerRoundTrip::Duration;

const PeerRoundTrip::TimePoint kStart{1h};

} // namespace

class PeerRoundTripTest : public QObject {
    Q_OBJECT
private slots:
    void allowanceFollowsTheLongestRecentTrip_data() {
        QTest::addColumn<QList<int>>("trips"); // ms from each ping to its pong, in order
        QTest::addColumn<int>("allowance");
        QTest::newRow("none measured") << QList<int>{} << 1100;
        QTest::newRow("one") << QList<int>{3} << 103;
        QTest::newRow("the longest") << QList<int>{3, 40, 7} << 140;
        QTest::newRow("an old long one forgotten") << QList<int>{900, 1, 2, 3, 4, 5} << 105;
        QTest::newRow("a stalled link counts as kLongest") << QList<int>{60'000} << 10'100;
    }
    void allowanceFollowsTheLongestRecentTrip() {
        QFETCH(QList<int>, trips);
        QFETCH(int, allowance);
        PeerRoundTrip link;
        PeerRoundTrip::TimePoint time = kStart;
        for (const int trip : trips) {
            const std::uint32_t token = link.Ping(time);
            time += std::chrono::milliseconds(trip);
            QVERIFY(link.Pong(token, time));
        }
        QCOMPARE(link.FlagAllowance(), Duration(allowance));
        if (!trips.isEmpty())
            QCOMPARE(link.Latest(), std::optional(std::min(Duration(trips.last()), 10'000ms)));
    }

    void onlyAnOpenPingsTokenCounts() {
        PeerRoundTrip link;
        const std::uint32_t first = link.Ping(kStart);
        const std::uint32_t second = link.Ping(kStart + 5ms);
        QVERIFY(first != second && first != 0 && second != 0);
        QVERIFY(!link.Pong(second + 1, kStart + 6ms)); // never sent
        QVERIFY(link.Pong(second, kStart + 25ms));
        QVERIFY(!link.Pong(second, kStart + 30ms)); // answered already
        QCOMPARE(link.Latest(), std::optional(20ms));
        QVERIFY(link.Pong(first, kStart + 50ms));
        QCOMPARE(link.FlagAllowance(), 150ms);
    }

    void unansweredPingsAreBounded() {
        // A peer that never answers: only the newest kPending pings are waited for.
        PeerRoundTrip link;
        std::vector<std::uint32_t> tokens;
        for (int i = 0; i < 100; ++i)
            tokens.push_back(link.Ping(kStart + std::chrono::milliseconds(i)));
        QVERIFY(!link.Pong(tokens.front(), kStart + 200ms));
        QVERIFY(link.Pong(tokens[100 - PeerRoundTrip::kPending], kStart + 200ms));
        QVERIFY(link.Pong(tokens.back(), kStart + 200ms));
    }
};

QTEST_GUILESS_MAIN(PeerRoundTripTest)
#include "PeerRoundTripTest.moc"
