#pragma once

#include <cstddef>
#include <string>

#include "file_stream.h"

namespace ondrel {

// No model or curve file comes near this size; an input that does (a
// device, an endless FIFO, a link to something else) is refused.
constexpr std::size_t kMaxFileBytes = std::size_t{64} << 20;

// Paths are the bytes the user gave, whatever their encoding.

// The bytes of a whole file, at most kMaxFileBytes; a FIFO or device is
// read as patience says. Throws Exception naming the file.
std::string ReadWholeFile(const std::string& path, const StreamPatience& patience = {});

// Writes a file whole or not at all: through a temporary file beside it and
// a rename, so that the path holds either its old contents or all of the new
// ones. A symbolic link is written through to its target, an existing file
// keeps its permissions and is not replaced when they forbid writing it, a
// device or FIFO is written directly (as patience says). Throws Exception
// naming the file and the cause.
void WriteWholeFile(const std::string& path, const std::string& bytes,
                    const StreamPatience& patience = {});

// Throws Exception when path could not be created or replaced (a missing or
// read-only folder or file, a directory in its place), before work that
// would be lost.
void CheckWritable(const std::string& path);

// True when both paths name one existing file, through links and other
// names (the same device and inode).
bool SameFile(const std::string& a, const std::string& b);

// The extension of a path's file name with its dot ("" when it has none).
std::string ExtensionOf(const std::string& path);

}  // namespace ondrel
