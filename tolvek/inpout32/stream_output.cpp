#include "stream_output.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace inpout32 {

namespace {

std::string durationText(std::chrono::milliseconds duration) {
    if (duration.count() % 1000 == 0)
        return std::to_string(duration.count() / 1000) + " seconds";
    return std::to_string(duration.count()) + " ms";
}

}  // namespace

int OpenForWriting(const std::string& path, int flags, mode_t mode, std::string& error) {
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
    if (fd < 0)
        error = errno == ENXIO ? "no program reads it" : std::strerror(errno);
    return fd;
}

std::string WriteAll(int fd, std::string_view data, std::chrono::milliseconds patience) {
    auto idleSince = std::chrono::steady_clock::now();
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written > 0) {
            data.remove_prefix(static_cast<std::size_t>(written));
            idleSince = std::chrono::steady_clock::now();
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return std::strerror(errno);
        // A FIFO or device that is full: wait for its reader.
        const auto left = patience - (std::chrono::steady_clock::now() - idleSince);
        if (left <= std::chrono::milliseconds::zero())
            return "the program reading it took nothing for " + durationText(patience);
        pollfd request{fd, POLLOUT, 0};
        ::poll(&request, 1,
               static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count()));
    }
    return {};
}

}  // namespace inpout32
