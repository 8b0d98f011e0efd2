#pragma once

#include <sys/resource.h>

#include <csignal>

namespace test_support {

// While it lives, no file of this process may grow past limitBytes, as on a
// full disk: a write beyond fails with EFBIG, the signal such a write raises
// being ignored. Lets a test make a write fail part way without touching any
// device.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limitBytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = limitBytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

}  // namespace test_support
