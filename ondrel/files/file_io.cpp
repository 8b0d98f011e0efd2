#include "file_io.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../platform/ondrel_error.h"

namespace ondrel {

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Exception("Cannot open file " + path + ": " + std::strerror(errno));
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad())
        throw Exception("Cannot read file " + path + ": " + std::strerror(errno));
    return bytes.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".part" + std::to_string(getpid());
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        throw Exception("Cannot create file " + path + ": " + std::strerror(errno));
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int error = errno;
    if (std::fclose(file) != 0 || !written) {
        std::remove(temporary.c_str());
        throw Exception("Cannot write file " + path + ": " +
                        std::strerror(written ? errno : error));
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int renameError = errno;
        std::remove(temporary.c_str());
        throw Exception("Cannot write file " + path + ": " + std::strerror(renameError));
    }
}

std::string ExtensionOf(const std::string& path) {
    return std::filesystem::path(path).filename().extension().string();
}

}  // namespace ondrel
