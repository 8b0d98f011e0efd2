#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace test_support {

// What a program run left: its exit code (-1 when a signal ended it or it
// ran out of time), and its standard output and error.
struct ProcessResult {
    int exitCode = -1;
    bool timedOut = false;
    std::string out, err;
};

struct ProcessOptions {
    // NAME=VALUE settings over the test's own environment; NAME alone (no
    // "=") removes that name.
    std::vector<std::string> environment;
    // Killed after this long: a hung program fails its test instead of
    // hanging the suite.
    std::chrono::milliseconds timeout{120000};
    // When set, SIGINT as Ctrl+C sends it, once the program's standard
    // error holds this text: the program has come that far, however busy
    // the machine.
    std::string interruptOnError;
};

// Runs program with arguments and waits for it; its output goes through
// files in a temporary folder, so that it may be of any length.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const ProcessOptions& options = {});

}  // namespace test_support
