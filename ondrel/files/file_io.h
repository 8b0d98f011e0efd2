#pragma once

#include <string>

namespace ondrel {

// The bytes of a whole file; throws Exception naming the file.
std::string ReadWholeFile(const std::string& path);

// Writes a file whole or not at all: through a temporary file beside it and
// a rename, so that the path holds either its old contents or all of the new
// ones. A symbolic link is written through to its target, an existing file
// keeps its permissions, a device or FIFO is written directly. Throws
// Exception naming the file.
void WriteWholeFile(const std::string& path, const std::string& bytes);

// Throws Exception when path could not be created or replaced (a missing or
// read-only folder, a directory in its place), before work that would be
// lost.
void CheckWritable(const std::string& path);

// The extension of a path's file name with its dot ("" when it has none).
std::string ExtensionOf(const std::string& path);

}  // namespace ondrel
