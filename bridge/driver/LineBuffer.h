#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace ferrule {

// The engine's output not yet handled: bytes are read straight into free space, line ends
// are normalised, and complete lines are handed out in place.
class LineBuffer {
public:
    static constexpr std::size_t kCapacity = 4096;

    // Where the next read may write, and how much.
    char* freeSpace() { return m_data.data() + m_length; }
    std::size_t freeSize() const { return kCapacity - m_length; }

    // Takes `count` bytes just written at freeSpace(). CR LF and LF CR become one LF, also
    // across two reads, so a run of alternating CR and LF is one line end.
    void commit(std::size_t count);

    // Calls handle(line) for every complete line, line feed included, then keeps only the
    // incomplete rest. A full buffer without a line feed is handed out whole as one line,
    // so that reading can always go on.
    template <typename Handler> void takeLines(Handler&& handle) {
        std::size_t start = 0;
        for (std::size_t i = 0; i < m_length; ++i) {
            if (m_data[i] == '\n') {
                handle(std::string_view(m_data.data() + start, i + 1 - start));
                start = i + 1;
            }
        }
        if (start == 0 && m_length == kCapacity) {
            handle(std::string_view(m_data.data(), m_length));
            start = m_length;
        }
        dropFront(start);
    }

    // Hands out what is left (the last line of an ended output) and empties the buffer.
    template <typename Handler> void takeRest(Handler&& handle) {
        if (m_length > 0) {
            handle(std::string_view(m_data.data(), m_length));
        }
        m_length = 0;
    }

    std::string_view held() const { return {m_data.data(), m_length}; }

private:
    void dropFront(std::size_t count);

    std::array<char, kCapacity> m_data{};
    std::size_t m_length = 0;
    char m_lastRead = 0; // the byte read last, even when it was merged away
};

} // namespace ferrule
