#pragma once

#include <string>

class QFileDevice;

namespace velmora {

// Writes bytes to the file at path whole or not at all: into a new file
// beside it that then takes its place, through a symbolic link to its
// target, keeping an existing file's permissions. Empty when written,
// otherwise why not. The path is taken as the bytes it is.
std::string WriteWholeFile(const std::string& path, const std::string& bytes);

// Writes all of data to a file opened unbuffered; empty, or why not. A
// write cut short (a full disk, a file-size limit) is a failure with its
// cause, which the file device alone does not tell.
std::string WriteAll(QFileDevice& file, const char* data, long long size);

}  // namespace velmora
