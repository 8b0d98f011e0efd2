#include "whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

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

// The file a chain of symbolic links ends at (which need not exist yet).
// A loop is left to the open that follows, which reports it.
std::string linkTarget(std::string path) {
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
    return path;
}

bool writeAll(int fd, const std::string& contents) {
    const char* at = contents.data();
    std::size_t left = contents.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        at += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

mode_t newFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::string WholeFileTargetProblem(const std::string& path) {
    const std::string target = linkTarget(path);
    struct stat status {};
    if (stat(target.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode))
            return path + " is a directory";
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
    const std::string target = linkTarget(path);
    const std::string failure = "cannot write " + path + ": ";

    struct stat status {};
    const bool exists = stat(target.c_str(), &status) == 0;
    if (exists && S_ISDIR(status.st_mode))
        return path + " is a directory";
    if (exists && !S_ISREG(status.st_mode)) {
        // A device or FIFO takes the text as a stream; there is nothing to
        // replace.
        const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            return failure + errnoText(errno);
        const bool written = writeAll(fd, contents);
        const int error = errno;
        ::close(fd);
        return written ? std::string() : failure + errnoText(error);
    }

    std::string temporary = folderOf(target) + "/.inpout32-XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return failure + errnoText(errno);
    const mode_t mode = exists ? (status.st_mode & 07777) : newFileMode();
    bool done = fchmod(fd, mode) == 0 && writeAll(fd, contents) && fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && done) {
        done = false;
        error = errno;
    }
    if (done && rename(temporary.c_str(), target.c_str()) != 0) {
        done = false;
        error = errno;
    }
    if (!done) {
        unlink(temporary.c_str());
        return failure + errnoText(error);
    }
    return {};
}

}  // namespace inpout32
