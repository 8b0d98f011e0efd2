#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace velmora {

// Signalled from one thread, waited on by another; a wait that returns true
// resets it.
class AutoResetEvent {
public:
    void signal() {
        {
            std::lock_guard lock(mutex_);
            signalled_ = true;
        }
        condition_.notify_one();
    }
    // False when the timeout passed first.
    bool wait(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        if (!condition_.wait_for(lock, timeout, [this] { return signalled_; }))
            return false;
        signalled_ = false;
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable condition_;
    bool signalled_ = false;
};

}  // namespace velmora
