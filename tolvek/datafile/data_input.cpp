#include "data_input.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tolvek {

namespace {

constexpr std::size_t kBlockBytes = 1 << 16;
// Events run at least this often while a read waits.
constexpr int kWaitSliceMs = 20;

}  // namespace

DataInput::DataInput(InputWait wait) : wait_(std::move(wait)) {}

DataInput::~DataInput() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::string DataInput::open(const std::string& path) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer with no way
    // out; the waiting is done by fill() instead, between event yields.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0)
        return std::strerror(errno);
    struct stat status {};
    if (fstat(fd_, &status) == 0) {
        if (S_ISDIR(status.st_mode))
            return std::strerror(EISDIR);
        fifo_ = S_ISFIFO(status.st_mode);
    }
    buffer_.resize(kBlockBytes);
    return {};
}

// A FIFO reads as ended while no writer has opened it yet; Linux reports a
// hang-up only once a writer has come and gone.
bool DataInput::writerCame() {
    if (!writerCame_) {
        pollfd request{fd_, POLLIN, 0};
        writerCame_ = ::poll(&request, 1, 0) > 0 && (request.revents & (POLLIN | POLLHUP));
    }
    return writerCame_;
}

// One read: true with count > 0 for bytes, true with count 0 at the end,
// false when nothing has come yet or on a fault.
bool DataInput::readBlock(long& count) {
    for (;;) {
        const ssize_t got = ::read(fd_, buffer_.data(), buffer_.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                fault_ = Fault::Unreadable;
                faultText_ = std::strerror(errno);
            }
            count = 0;
            return false;
        }
        count = got;
        return got > 0 || !fifo_ || writerCame();
    }
}

// Waits up to one slice for bytes, then lets events run. False when the
// read is to end: abandoned, or out of patience.
bool DataInput::waitSlice(std::chrono::steady_clock::time_point idleSince) {
    if (!toldWaiting_) {
        toldWaiting_ = true;
        if (wait_.waiting)
            wait_.waiting();
    }
    pollfd request{fd_, POLLIN, 0};
    ::poll(&request, 1, kWaitSliceMs);
    if (wait_.yield && !wait_.yield()) {
        fault_ = Fault::Abandoned;
        return false;
    }
    if (wait_.patience && std::chrono::steady_clock::now() - idleSince >= *wait_.patience) {
        fault_ = Fault::TimedOut;
        return false;
    }
    return true;
}

bool DataInput::fill() {
    if (fd_ < 0 || ended_ || fault_ != Fault::None)
        return false;
    // A long input lets events run every so many bytes, so that one that
    // never ends (a device, an endless writer) can be abandoned.
    if (offset_ - yieldedAt_ >= static_cast<long long>(kBlockBytes)) {
        yieldedAt_ = offset_;
        if (wait_.yield && !wait_.yield()) {
            fault_ = Fault::Abandoned;
            return false;
        }
    }
    const auto idleSince = std::chrono::steady_clock::now();
    for (;;) {
        long count = 0;
        if (readBlock(count)) {
            if (count == 0) {
                ended_ = true;
                return false;
            }
            at_ = 0;
            size_ = static_cast<std::size_t>(count);
            return true;
        }
        if (fault_ != Fault::None || !waitSlice(idleSince))
            return false;
    }
}

}  // namespace tolvek
