#include "file_stream.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "../platform/ondrel_error.h"

namespace ondrel {

namespace {

using Clock = std::chrono::steady_clock;

// A wait looks at the stop request at least this often.
constexpr std::chrono::milliseconds kWaitSlice{20};
constexpr std::size_t kReadBlock = 1 << 16;

std::string durationText(std::chrono::milliseconds duration) {
    if (duration.count() % 1000 == 0)
        return std::to_string(duration.count() / 1000) + " s";
    return std::to_string(duration.count()) + " ms";
}

std::string errnoText() {
    return std::strerror(errno);
}

}  // namespace

FileStream::FileStream(const std::string& path, Direction direction, StreamPatience patience)
    : path_(path), patience_(std::move(patience)) {
    const bool reading = direction == Direction::Read;
    const int flags = (reading ? O_RDONLY : O_WRONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    const std::string failure =
        (reading ? "Cannot open file " : "Cannot write file ") + path + ": ";
    // Without O_NONBLOCK a FIFO's open waits for its other end with no way
    // out. Opening for writing fails while no program reads; that is waited
    // for here, within the patience.
    const auto since = Clock::now();
    while ((fd_ = ::open(path.c_str(), flags)) < 0) {
        if (errno == EINTR)
            continue;
        if (errno != ENXIO)
            throw Exception(failure + errnoText());
        tellWaitingFor("a program that reads ");
        if (!waitFor(0, since, patience_.forPeer))
            throw Exception(failure + "no program reads it" +
                            (patience_.forPeer.count() > 0
                                 ? " (waited " + durationText(patience_.forPeer) + ")"
                                 : std::string()));
    }
    struct stat status {};
    if (fstat(fd_, &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            ::close(fd_);
            fd_ = -1;
            throw Exception(failure + "it is a directory");
        }
        fifo_ = S_ISFIFO(status.st_mode);
    }
}

FileStream::FileStream(int fd, const std::string& path, StreamPatience patience)
    : fd_(fd), owned_(false), path_(path), patience_(std::move(patience)) {}

FileStream::~FileStream() {
    if (fd_ >= 0 && owned_)
        ::close(fd_);
}

// Waits up to one slice for events on the descriptor (none: only time
// passes); false once patience has passed since since. A stop request
// ends the wait with an exception.
bool FileStream::waitFor(short events, Clock::time_point since,
                         std::chrono::milliseconds patience) {
    const auto left =
        patience - std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since);
    if (left <= std::chrono::milliseconds::zero())
        return false;
    if (patience_.stop && patience_.stop())
        throw Exception("Stopped while waiting on " + path_);
    const int slice = static_cast<int>(std::min(left, kWaitSlice).count());
    if (fd_ >= 0 && events != 0) {
        pollfd request{fd_, events, 0};
        ::poll(&request, 1, slice);
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(slice));
    }
    return true;
}

void FileStream::tellWaitingFor(const char* peer) {
    if (toldWaiting_ || !patience_.waitingForPeer || patience_.forPeer.count() <= 0)
        return;
    toldWaiting_ = true;
    patience_.waitingForPeer(peer + path_);
}

// A FIFO reads as ended while no writer has opened it yet; Linux reports a
// hang-up only once a writer has come and gone.
bool FileStream::writerCame() {
    if (!writerCame_) {
        pollfd request{fd_, POLLIN, 0};
        writerCame_ = ::poll(&request, 1, 0) > 0 && (request.revents & (POLLIN | POLLHUP));
    }
    return writerCame_;
}

std::string FileStream::readAll(std::size_t limit) {
    const std::string failure = "Cannot read file " + path_ + ": ";
    std::string bytes;
    std::string block(kReadBlock, '\0');
    const auto opened = Clock::now();
    auto lastProgress = opened;
    for (;;) {
        const ssize_t got = ::read(fd_, block.data(), block.size());
        if (got > 0) {
            if (bytes.size() + static_cast<std::size_t>(got) > limit)
                throw Exception(failure + "it holds more than " + std::to_string(limit >> 20) +
                                " MiB, more than any model or curve file");
            bytes.append(block, 0, static_cast<std::size_t>(got));
            lastProgress = Clock::now();
        } else if (got == 0) {
            if (!fifo_ || writerCame())
                return bytes;
            tellWaitingFor("a program that writes to ");
            if (!waitFor(POLLIN, opened, patience_.forPeer))
                throw Exception(failure + "no program writes to it" +
                                (patience_.forPeer.count() > 0
                                     ? " (waited " + durationText(patience_.forPeer) + ")"
                                     : std::string()));
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!waitFor(POLLIN, lastProgress, patience_.forProgress))
                throw Exception(failure + "nothing came from it for " +
                                durationText(patience_.forProgress));
        } else if (errno != EINTR) {
            throw Exception(failure + errnoText());
        }
    }
}

void FileStream::writeAll(std::string_view bytes) {
    auto lastProgress = Clock::now();
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
            lastProgress = Clock::now();
        } else if (written == 0 || errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!waitFor(POLLOUT, lastProgress, patience_.forProgress))
                throw Exception("Cannot write file " + path_ +
                                ": the program reading it took nothing for " +
                                durationText(patience_.forProgress));
        } else if (errno != EINTR) {
            throw Exception("Cannot write file " + path_ + ": " + errnoText());
        }
    }
}

}  // namespace ondrel
