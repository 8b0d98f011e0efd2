#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace ondrel {

// How long reads and writes wait on a FIFO or device: for the program at
// its other end to open it, and for bytes to move once it has. stop, when
// set, ends a wait early (Ctrl+C in a batch run). The defaults suit the
// window, which must not wait long: a FIFO that no program serves is
// refused at once, and one that stalls for two seconds fails.
struct StreamPatience {
    std::chrono::milliseconds forPeer{0};
    std::chrono::milliseconds forProgress{2000};
    std::function<bool()> stop;
    // Told once, when a wait for the program at the other end begins, whom
    // it waits for ("a program that writes to P").
    std::function<void(const std::string& peer)> waitingForPeer;
};

// A descriptor of a file opened without waiting for the other end of a FIFO,
// closed when it goes. Its reads and writes wait as patience says, and
// throw Exception naming the file on a failure.
class FileStream {
public:
    enum class Direction { Read, Write };

    // Opens path; a write opens an existing file, creating nothing. Throws
    // Exception "Cannot open file P: ..." or "Cannot write file P: ...".
    FileStream(const std::string& path, Direction direction, StreamPatience patience);
    // Uses a descriptor opened elsewhere (a new regular file), which stays
    // open; path names it in messages.
    FileStream(int fd, const std::string& path, StreamPatience patience);
    ~FileStream();
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    int fd() const { return fd_; }

    // All bytes up to the end, refused once they pass limit bytes.
    std::string readAll(std::size_t limit);
    // All of bytes; a peer that takes nothing for its patience fails.
    void writeAll(std::string_view bytes);

private:
    bool waitFor(short events, std::chrono::steady_clock::time_point since,
                 std::chrono::milliseconds patience);
    bool writerCame();
    void tellWaitingFor(const char* peer);

    int fd_ = -1;
    bool owned_ = true;
    std::string path_;
    StreamPatience patience_;
    bool fifo_ = false;
    bool writerCame_ = false;
    bool toldWaiting_ = false;
};

}  // namespace ondrel
