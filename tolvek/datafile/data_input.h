#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tolvek {

// How a read waits for an input that has nothing to give yet: a FIFO that
// no program writes, a terminal, a pipe whose writer pauses.
struct InputWait {
    // Lets user-interface events run; false abandons the read. Called once
    // per wait slice and every so many bytes.
    std::function<bool()> yield;
    // The longest time without a byte before the read gives up; none waits
    // until yield says the program is ending.
    std::optional<std::chrono::milliseconds> patience;
    // Told once, when the read first has to wait.
    std::function<void()> waiting;
};

// The bytes of a file, read in blocks through a descriptor opened without
// waiting for a writer, so that opening or reading a FIFO or device never
// blocks the caller for longer than one wait slice.
class DataInput {
public:
    enum class Fault { None, Unreadable, Abandoned, TimedOut };

    explicit DataInput(InputWait wait);
    ~DataInput();
    DataInput(const DataInput&) = delete;
    DataInput& operator=(const DataInput&) = delete;

    // Empty on success, otherwise why the file cannot be opened.
    std::string open(const std::string& path);

    // The next byte, or EOF at the end of the input and after a fault.
    int peek() {
        if (at_ == size_ && !fill())
            return EOF;
        return static_cast<unsigned char>(buffer_[at_]);
    }
    // Moves past the byte peek gave.
    void skip() {
        ++at_;
        ++offset_;
    }

    // Bytes moved past so far.
    long long offset() const { return offset_; }
    Fault fault() const { return fault_; }
    // The system's reason for an Unreadable fault.
    const std::string& faultText() const { return faultText_; }

private:
    bool fill();
    bool readBlock(long& count);
    bool writerCame();
    bool waitSlice(std::chrono::steady_clock::time_point idleSince);

    InputWait wait_;
    int fd_ = -1;
    bool fifo_ = false;
    bool writerCame_ = false;
    bool toldWaiting_ = false;
    bool ended_ = false;
    std::vector<char> buffer_;
    std::size_t at_ = 0, size_ = 0;
    long long offset_ = 0;
    long long yieldedAt_ = 0;
    Fault fault_ = Fault::None;
    std::string faultText_;
};

}  // namespace tolvek
