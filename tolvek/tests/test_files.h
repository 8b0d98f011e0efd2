#pragma once

#include "test_support/temp_dir.h"

namespace tolvek::testing {

using test_support::TempDir;

inline std::string readFile(const std::filesystem::path& path) {
    return test_support::ReadFile(path);
}

}  // namespace tolvek::testing
