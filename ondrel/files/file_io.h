#pragma once

#include <string>

namespace ondrel {

// The bytes of a whole file; throws Exception naming the file.
std::string ReadWholeFile(const std::string& path);

// Writes a file through a temporary file beside it and a rename, so that
// the path holds either its old contents or all of the new ones. Throws
// Exception naming the file.
void WriteWholeFile(const std::string& path, const std::string& bytes);

// The extension of a path's file name with its dot ("" when it has none).
std::string ExtensionOf(const std::string& path);

}  // namespace ondrel
