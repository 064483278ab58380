// Whatever a peer sends, cut into lines and recognised: no line is longer than the limit
// or holds its line feed, and what a line is taken for stays inside the line's fields.

#include "peer/PeerLineFramer.h"
#include "peer/PeerProtocol.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void Check(const QByteArray& line) {
    Require(line.size() <= PeerLineFramer::kMaxLineLength);
    Require(!line.contains('\n'));
    const PeerMessage message = parsePeerLine(line);
    switch (message.kind) {
    case PeerMessageKind::Move:
        Require(line.startsWith("/move") && line.size() >= 10);
        Require(message.from.size() == 2 && message.to.size() == 2);
        break;
    case PeerMessageKind::Chat:
        for (QChar c : message.chatText)
            Require(c == '\t' || c.unicode() >= 0x20);
        break;
    case PeerMessageKind::NewGame:
        Require(line.startsWith("/new"));
        break;
    case PeerMessageKind::Ignored:
        Require(!line.startsWith("/chat") && !line.startsWith("/new"));
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte decides where the bytes are split, as the network may split them.
    PeerLineFramer framer;
    const char* bytes = reinterpret_cast<const char*>(data);
    const std::size_t split = size > 0 ? data[0] % (size + 1) : 0;
    framer.Append(QByteArrayView(bytes, split));
    while (std::optional<QByteArray> line = framer.TakeLine())
        Check(*line);
    framer.Append(QByteArrayView(bytes + split, size - split));
    while (std::optional<QByteArray> line = framer.TakeLine())
        Check(*line);
    return 0;
}
