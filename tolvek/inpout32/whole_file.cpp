#include "whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iterator>
#include <optional>
#include <vector>

#include "stream_output.h"

namespace inpout32 {

namespace {

std::string errnoText(int error) {
    return std::strerror(error);
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a chain of symbolic links ends at (which need not exist yet),
// or nothing for a chain that never ends (a loop): writing would replace
// one of its links.
std::optional<std::string> linkTarget(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat status {};
        if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            return path;
        std::vector<char> text(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 255) +
                               1);
        const ssize_t length = readlink(path.c_str(), text.data(), text.size());
        if (length < 0 || static_cast<std::size_t>(length) >= text.size())
            return path;
        std::string target(text.data(), static_cast<std::size_t>(length));
        path = target.starts_with('/') ? target : folderOf(path) + "/" + target;
    }
    return std::nullopt;
}

// While a temporary file exists, an interrupt or termination removes it
// before the signal takes its course, so that no half-written file is left
// beside the target. The previous handlers are put back when it goes.
class TemporaryFileGuard {
public:
    explicit TemporaryFileGuard(const std::string& path) {
        pending_.store(path.c_str());
        struct sigaction action {};
        action.sa_handler = &TemporaryFileGuard::removeAndResignal;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            sigaction(kSignals[i], nullptr, &previous_[i]);
            installed_[i] = previous_[i].sa_handler != SIG_IGN;
            if (installed_[i])
                sigaction(kSignals[i], &action, nullptr);
        }
    }
    ~TemporaryFileGuard() {
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            if (installed_[i])
                sigaction(kSignals[i], &previous_[i], nullptr);
        pending_.store(nullptr);
    }
    TemporaryFileGuard(const TemporaryFileGuard&) = delete;
    TemporaryFileGuard& operator=(const TemporaryFileGuard&) = delete;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

    // Async-signal-safe: unlink, sigaction and raise only.
    static void removeAndResignal(int signal) {
        if (const char* path = pending_.exchange(nullptr))
            unlink(path);
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            if (kSignals[i] == signal)
                sigaction(signal, &previous_[i], nullptr);
        raise(signal);  // delivered, to the previous handler, once this one returns
    }

    static inline std::atomic<const char*> pending_{nullptr};
    static inline struct sigaction previous_[std::size(kSignals)]{};
    bool installed_[std::size(kSignals)]{};
};

mode_t newFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::string WholeFileTargetProblem(const std::string& path) {
    const std::optional<std::string> found = linkTarget(path);
    if (!found)
        return "cannot write " + path + ": " + errnoText(ELOOP);
    const std::string& target = *found;
    struct stat status {};
    if (stat(target.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode))
            return path + " is a directory";
        if (access(target.c_str(), W_OK) != 0)
            return "cannot write " + path + ": " + errnoText(errno);
        return {};
    }
    const std::string folder = folderOf(target);
    if (stat(folder.c_str(), &status) != 0)
        return "cannot write " + path + ": " + errnoText(errno);
    if (!S_ISDIR(status.st_mode))
        return "cannot write " + path + ": " + folder + " is not a directory";
    return {};
}

std::string WriteWholeFile(const std::string& path, const std::string& contents) {
    const std::string failure = "cannot write " + path + ": ";
    const std::optional<std::string> found = linkTarget(path);
    if (!found)
        return failure + errnoText(ELOOP);
    const std::string& target = *found;

    struct stat status {};
    const bool exists = stat(target.c_str(), &status) == 0;
    if (exists && S_ISDIR(status.st_mode))
        return path + " is a directory";
    if (exists && !S_ISREG(status.st_mode)) {
        // A device or FIFO takes the text as a stream; there is nothing to
        // replace.
        std::string problem;
        const int fd = OpenForWriting(target, O_WRONLY, 0, problem);
        if (fd < 0)
            return failure + problem;
        problem = WriteAll(fd, contents);
        ::close(fd);
        return problem.empty() ? std::string() : failure + problem;
    }

    // A file its user may not write is not replaced, although its folder
    // would allow that: write protection keeps a file as it is.
    if (exists && access(target.c_str(), W_OK) != 0)
        return failure + errnoText(errno);

    std::string temporary = folderOf(target) + "/.inpout32-XXXXXX";
    const TemporaryFileGuard guard(temporary);
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return failure + errnoText(errno);
    const mode_t mode = exists ? (status.st_mode & 07777) : newFileMode();
    std::string problem;
    if (fchmod(fd, mode) != 0)
        problem = errnoText(errno);
    if (problem.empty())
        problem = WriteAll(fd, contents);
    if (problem.empty() && fsync(fd) != 0)
        problem = errnoText(errno);
    if (::close(fd) != 0 && problem.empty())
        problem = errnoText(errno);
    if (problem.empty() && rename(temporary.c_str(), target.c_str()) != 0)
        problem = errnoText(errno);
    if (!problem.empty()) {
        unlink(temporary.c_str());
        return failure + problem;
    }
    return {};
}

}  // namespace inpout32
