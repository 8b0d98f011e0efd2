#pragma once

#include <functional>

namespace test_support {

// Runs what in a child process and gives its exit code (-1 when a signal
// ended it). Under root the child first becomes the unprivileged user
// "nobody" (65534), so that a file's permissions hold for it as they do for
// a user; otherwise it keeps the test's own user.
int RunAsUser(const std::function<int()>& what);

}  // namespace test_support
