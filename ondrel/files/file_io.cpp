#include "file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "../platform/ondrel_error.h"

namespace ondrel {

namespace {

namespace fs = std::filesystem;

// The file a chain of symbolic links ends at, which need not exist yet. A
// chain that never ends (a loop) has no such file; writing would replace
// one of its links, so it is refused as the system refuses to open it.
fs::path linkTarget(const std::string& path) {
    constexpr int kMostLinks = 40;
    fs::path at = path;
    for (int hop = 0; hop < kMostLinks; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(at, error)))
            return at;
        const fs::path target = fs::read_symlink(at, error);
        if (error)
            return at;
        at = target.is_absolute() ? target : at.parent_path() / target;
    }
    throw Exception("Cannot write file " + path + ": " + std::strerror(ELOOP));
}

mode_t newFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// A temporary file beside the target, removed unless it was renamed over
// the target.
class TemporaryFile {
public:
    TemporaryFile(const fs::path& folder, const std::string& path) {
        name_ = (folder / ".ondrel-XXXXXX").string();
        fd_ = mkostemp(name_.data(), O_CLOEXEC);
        if (fd_ < 0)
            throw Exception("Cannot create file " + path + ": " + std::strerror(errno));
    }
    ~TemporaryFile() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!renamed_)
            unlink(name_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_; }
    // Closes the file; false with errno set when that failed.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }
    bool renameTo(const fs::path& target) {
        renamed_ = ::rename(name_.c_str(), target.c_str()) == 0;
        return renamed_;
    }

private:
    std::string name_;
    int fd_ = -1;
    bool renamed_ = false;
};

}  // namespace

std::string ReadWholeFile(const std::string& path, const StreamPatience& patience) {
    FileStream in(path, FileStream::Direction::Read, patience);
    struct stat status {};
    if (fstat(in.fd(), &status) == 0 && S_ISREG(status.st_mode) &&
        static_cast<std::size_t>(status.st_size) > kMaxFileBytes)
        throw Exception("Cannot read file " + path + ": it holds more than " +
                        std::to_string(kMaxFileBytes >> 20) +
                        " MiB, more than any model or curve file");
    return in.readAll(kMaxFileBytes);
}

void WriteWholeFile(const std::string& path, const std::string& bytes,
                    const StreamPatience& patience) {
    const fs::path target = linkTarget(path);
    struct stat status {};
    const bool exists = stat(target.c_str(), &status) == 0;
    if (exists && S_ISDIR(status.st_mode))
        throw Exception("Cannot write file " + path + ": it is a directory");
    if (exists && !S_ISREG(status.st_mode)) {
        // A device or FIFO takes the bytes as a stream; replacing it would
        // put a plain file in its place.
        FileStream(target.string(), FileStream::Direction::Write, patience).writeAll(bytes);
        return;
    }

    // A file its user may not write is not replaced, although its folder
    // would allow that: write protection keeps a file as it is.
    if (exists && access(target.c_str(), W_OK) != 0)
        throw Exception("Cannot write file " + path + ": " + std::strerror(errno));

    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    TemporaryFile temporary(folder, path);
    const std::string failure = "Cannot write file " + path + ": ";
    if (fchmod(temporary.fd(), exists ? status.st_mode & 07777 : newFileMode()) != 0)
        throw Exception(failure + std::strerror(errno));
    // A failure names the target, not the temporary file.
    FileStream(temporary.fd(), path, patience).writeAll(bytes);
    if (fsync(temporary.fd()) != 0 || !temporary.close() || !temporary.renameTo(target))
        throw Exception(failure + std::strerror(errno));
}

void CheckWritable(const std::string& path) {
    const fs::path target = linkTarget(path);
    std::error_code error;
    if (fs::is_directory(target, error))
        throw Exception("Cannot write file " + path + ": it is a directory");
    if (fs::exists(target, error)) {
        if (access(target.c_str(), W_OK) != 0)
            throw Exception("Cannot write file " + path + ": " + std::strerror(errno));
        return;
    }
    const fs::path folder = fs::absolute(target, error).parent_path();
    if (!fs::is_directory(folder, error))
        throw Exception("Cannot create file " + path + ": the folder " + folder.string() +
                        " does not exist");
    if (access(folder.c_str(), W_OK) != 0)
        throw Exception("Cannot create file " + path + ": the folder " + folder.string() +
                        " is not writable");
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {
    }, second{};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::string ExtensionOf(const std::string& path) {
    return fs::path(path).filename().extension().string();
}

}  // namespace ondrel
