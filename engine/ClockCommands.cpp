#include "ClockCommands.h"

#include <algorithm>
#include <chrono>

namespace {

using std::chrono::duration_cast;

QByteArray millisecondsOf(ClockTime time) {
    return QByteArray::number(duration_cast<std::chrono::milliseconds>(time).count());
}

QByteArray centisecondsOf(ClockTime time) {
    return QByteArray::number(duration_cast<std::chrono::milliseconds>(time).count() / 10);
}

} // namespace

QByteArray XboardLevelCommand(const TimeControl& control) {
    const TimeSession session = control.SessionOf(1);
    const auto seconds = duration_cast<std::chrono::seconds>(session.base).count();
    QByteArray base = QByteArray::number(seconds / 60);
    if (seconds % 60 != 0)
        base += ':' + QByteArray::number(seconds % 60).rightJustified(2, '0');
    return "level " + QByteArray::number(session.moves) + ' ' + base + ' ' +
           QByteArray::number(duration_cast<std::chrono::seconds>(session.increment).count()) +
           '\n';
}

QByteArray XboardTimeCommands(const Clock& clock, ClockTime reserve) {
    const std::uint8_t engine = clock.SideToMove();
    return "time " + centisecondsOf(std::max(clock.Remaining(engine) - reserve, ClockTime{0})) +
           "\notim " + centisecondsOf(clock.Remaining(engine ? 0 : 1)) + '\n';
}

QByteArray UciClockWords(const Clock& clock, ClockTime reserve) {
    const auto told = [&](std::uint8_t white) {
        const ClockTime remaining = clock.Remaining(white);
        return white == clock.SideToMove() ? std::max(remaining - reserve, ClockTime{0})
                                           : remaining;
    };
    QByteArray words = "wtime " + millisecondsOf(told(1)) + " btime " + millisecondsOf(told(0)) +
                       " winc " + millisecondsOf(clock.Increment(1)) + " binc " +
                       millisecondsOf(clock.Increment(0));
    if (const int movesToGo = clock.MovesToGo(clock.SideToMove()); movesToGo > 0)
        words += " movestogo " + QByteArray::number(movesToGo);
    return words;
}
