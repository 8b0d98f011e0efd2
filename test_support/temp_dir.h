#pragma once

#include <filesystem>
#include <string>

namespace test_support {

// A folder of its own for one test, removed with everything in it when the
// test ends.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Writes contents (bytes as they stand) to the file name in the folder
    // and returns its path.
    std::string write(const std::string& name, const std::string& contents) const;

private:
    std::filesystem::path path_;
};

// The bytes of a file; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

}  // namespace test_support
