// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <vector>

// lanbrook-scan as a real child process: started with exactly the environment
// given (plus PATH and the sanitizers' options), its standard output read
// line by line through a pipe, its standard error kept in a file. It can be
// killed part way; the destructor kills and reaps a child still running.
class ScanProcess {
public:
    struct Options {
        std::vector<std::string> environment;  // NAME=value entries
        std::vector<std::string> arguments;
        // Run as the unprivileged user 65534 (only when this process is root),
        // so that permissions are enforced as for any user.
        bool unprivileged = false;
    };

    explicit ScanProcess(const Options& options);
    ~ScanProcess();
    ScanProcess(const ScanProcess&) = delete;
    ScanProcess& operator=(const ScanProcess&) = delete;

    // The next line of standard output without its line break; false at the end.
    bool readLine(std::string& line);
    // Everything standard output still holds.
    std::string readRest();
    void kill();
    // Waits for the end: the exit code, or 128 + the signal that ended it.
    int wait();
    // What the child wrote to standard error (complete once it has ended).
    std::string errorText() const;

    // The path of the console runner under test.
    static const char* program();

private:
    pid_t pid_ = -1;
    std::FILE* out_ = nullptr;
    std::string errorFile_;
    std::string copyFolder_;  // of a copy of the program for an unprivileged child
    int status_ = -1;
};

// A whole run: exit code, standard output and standard error.
struct ScanResult {
    int status = -1;
    std::string out;
    std::string err;
};
ScanResult runScan(const ScanProcess::Options& options);

// The user id that unprivileged children run as.
constexpr uid_t kNobody = 65534;
