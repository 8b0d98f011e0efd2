#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>

namespace inpout32 {

// How long a write waits for the program reading a FIFO to take more.
constexpr std::chrono::milliseconds kReaderPatience{10000};

// Opens path for writing with flags (O_WRONLY and more) without waiting for
// a reader: a FIFO that no program reads is refused at once instead of
// blocking the caller. Returns the descriptor, or -1 with the reason in
// error.
int OpenForWriting(const std::string& path, int flags, mode_t mode, std::string& error);

// Writes all of data to fd; empty on success, otherwise the reason. A FIFO
// whose reader takes nothing for patience fails the write.
std::string WriteAll(int fd, std::string_view data,
                     std::chrono::milliseconds patience = kReaderPatience);

}  // namespace inpout32
