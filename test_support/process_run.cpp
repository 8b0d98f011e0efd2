#include "process_run.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "temp_dir.h"

extern char** environ;

namespace test_support {

namespace {

std::string nameOf(const std::string& setting) {
    return setting.substr(0, setting.find('='));
}

std::vector<std::string> environmentWith(const std::vector<std::string>& changes) {
    std::vector<std::string> result;
    for (char** e = environ; *e; ++e) {
        const std::string setting = *e;
        bool replaced = false;
        for (const std::string& change : changes)
            replaced = replaced || nameOf(change) == nameOf(setting);
        if (!replaced)
            result.push_back(setting);
    }
    for (const std::string& change : changes)
        if (change.find('=') != std::string::npos)
            result.push_back(change);
    return result;
}

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const ProcessOptions& options) {
    const TempDir dir;
    const std::string out = (dir / "stdout.txt").string(), err = (dir / "stderr.txt").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

    std::vector<std::string> environment = environmentWith(options.environment);
    std::vector<char*> envp, argv{const_cast<char*>(program.c_str())};
    for (std::string& setting : environment)
        envp.push_back(setting.data());
    envp.push_back(nullptr);
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    ProcessResult result;
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        result.err = "cannot start " + program + ": " + std::strerror(spawned);
        return result;
    }

    const auto start = std::chrono::steady_clock::now();
    bool interrupted = options.interruptOnError.empty();
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        const auto elapsed = std::chrono::steady_clock::now() - start;
        if (!interrupted && ReadFile(err).find(options.interruptOnError) != std::string::npos) {
            kill(pid, SIGINT);
            interrupted = true;
        }
        if (elapsed >= options.timeout) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            result.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    result.exitCode = !result.timedOut && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(out);
    result.err = ReadFile(err);
    if (result.timedOut)
        result.err += "\n(killed after " + std::to_string(options.timeout.count()) + " ms)";
    return result;
}

}  // namespace test_support
