#pragma once

#include <functional>
#include <string>
#include <vector>

#include "board/port_output.h"

namespace tolvek::testing {

struct PortWrite {
    short port;
    short value;
    bool operator==(const PortWrite&) const = default;
};

inline PortWrite data(short value) {
    return {kDataRegister, value};
}
inline PortWrite control(short value) {
    return {kControlRegister, value};
}

// Keeps every write; onWrite, when set, runs after each one. fallback and
// failure stand for a library that simulates the board in place of the port
// and for a write that did not arrive.
class RecordingPort final : public PortOutput {
public:
    void Out32(short port, short value) override {
        writes.push_back({port, value});
        if (onWrite)
            onWrite(writes.back());
    }
    std::string FallbackReason() override { return fallback; }
    std::string Settle() override {
        settledAfter.push_back(writes.size());
        return failure;
    }
    std::vector<PortWrite> writes;
    std::function<void(const PortWrite&)> onWrite;
    std::string fallback;
    std::string failure;
    std::vector<std::size_t> settledAfter;  // the write count at each Settle
};

// The writes of window load and of a Start that sends the given serial
// words, register by register as the board sees them.
inline std::vector<PortWrite> windowLoadWrites() {
    return {data(0x02), data(0x12), data(0x13)};
}

inline std::vector<PortWrite> firstStartWrites(const std::vector<unsigned>& words) {
    std::vector<PortWrite> w = {data(0x12),    data(0x12), data(0x12),
                                control(0x01), data(0x12), data(0x32)};
    for (int i = 0; i < 32; ++i)
        w.insert(w.end(), {data(0x32), data(0xB2), data(0x32)});
    w.insert(w.end(), {data(0x36), data(0x32), data(0x36), data(0x36), data(0x36), data(0x26)});
    for (unsigned word : words) {
        for (int bit = 31; bit >= 0; --bit) {
            w.push_back(control(0x01));
            if ((word >> bit) & 1u)
                w.push_back(control(0x00));
            w.insert(w.end(), {data(0x26), data(0xA6), data(0x26)});
        }
        w.insert(w.end(), {data(0x26), data(0x2E), data(0x26)});
    }
    w.insert(w.end(), {data(0x36), data(0x37)});
    return w;
}

// The writes as the library's trace lists them.
inline std::string traceText(const std::vector<PortWrite>& writes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const auto& w : writes) {
        const unsigned port = static_cast<unsigned short>(w.port);
        const unsigned value = static_cast<unsigned char>(w.value);
        text += {digits[(port >> 8) & 15],
                 digits[(port >> 4) & 15],
                 digits[port & 15],
                 ' ',
                 digits[value >> 4],
                 digits[value & 15],
                 '\n'};
    }
    return text;
}

inline unsigned serialWord(unsigned controlByte, unsigned value2, unsigned value1) {
    return (controlByte & 0xFF) << 24 | (value2 & 0xFFF) << 12 | (value1 & 0xFFF);
}

}  // namespace tolvek::testing
