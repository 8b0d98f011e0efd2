#pragma once

#include <string>

namespace inpout32 {

// Writes contents to path whole or not at all, and returns empty on
// success, otherwise why not. A symbolic link is followed to the file it
// names; a device or FIFO there is written directly (a FIFO only while a
// program reads it, never waiting for one); a regular file is replaced
// through a temporary file in its folder, keeping an existing file's
// permissions (and left alone when they forbid writing it), so that a reader sees the old contents
// or the new, never a part, and a failed write leaves the old file as it was. An interrupt or
// termination during the write removes the temporary file.
std::string WriteWholeFile(const std::string& path, const std::string& contents);

// Why path cannot take a whole-file write (a folder that does not exist, a
// directory or a write-protected file in its place), or empty when it looks
// writable.
std::string WholeFileTargetProblem(const std::string& path);

}  // namespace inpout32
