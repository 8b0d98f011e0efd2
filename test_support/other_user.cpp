#include "other_user.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace test_support {

namespace {

constexpr uid_t kNobody = 65534;
constexpr int kCannotDropRoot = 125;

}  // namespace

int RunAsUser(const std::function<int()>& what) {
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(kCannotDropRoot);
        _exit(what());
    }
    if (child < 0)
        return -1;
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace test_support
