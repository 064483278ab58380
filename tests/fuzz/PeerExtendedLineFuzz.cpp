// Whatever a peer sends as extended lines, read on a connection's handshake: a line is
// either acted on or dropped with a reason, never both; what is acted on stays inside the
// grammar's bounds and is written back to the very line that was read.

#include "peer/PeerExtendedProtocol.h"
#include "peer/PeerHandshake.h"

#include <QList>

#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void Check(const QByteArray& line, const PeerHandshake::Outcome& outcome) {
    Require(!outcome.message || outcome.log.isEmpty());
    if (!outcome.message)
        return;
    const ExtendedMessage& message = *outcome.message;
    Require(line.size() <= kMaxLineBytes);
    Require(message.name.toUtf8().size() <= kMaxNameBytes);
    Require(message.ply >= 0 && message.ply <= kMaxPly);
    Require(!message.remainingMs ||
            (*message.remainingMs >= 0 && *message.remainingMs <= kMaxTimeMs));
    Require(message.token <= kMaxToken);
    Require(message.fen.size() <= kMaxFenBytes);
    Require(extendedLine(message) == line);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Each line of the input is one received line, all on one connection, behind the
    // prefix so that the grammar and not the prefix test is what gets exercised.
    PeerHandshake handshake;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QByteArray& part : bytes.split('\n')) {
        const QByteArray line = kExtendedPrefix + part;
        Check(line, handshake.Receive(line));
    }
    return 0;
}
