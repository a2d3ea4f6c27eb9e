// SPDX-License-Identifier: MIT
#include "ScanProcess.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

// Variables passed on from this process: the sanitizers must keep their settings.
constexpr const char* kPassedOn[] = {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"};

std::vector<std::string> childEnvironment(const std::vector<std::string>& given) {
    std::vector<std::string> environment = given;
    environment.emplace_back("PATH=/usr/bin:/bin");
    for (const char* name : kPassedOn)
        if (const char* value = std::getenv(name))
            environment.push_back(std::string(name) + "=" + value);
    return environment;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (std::string& text : texts) result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

// A copy of the program that every user may run, for a build folder that
// the unprivileged user cannot enter (a checkout below /root, say).
std::string copyForEveryone(const std::string& program, std::string& folder) {
    char pattern[] = "/tmp/lanbrook-scan-copy-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return std::string();
    folder = pattern;
    ::chmod(folder.c_str(), 0755);
    const std::string copy = folder + "/lanbrook-scan";
    std::ifstream in(program, std::ios::binary);
    std::ofstream out(copy, std::ios::binary);
    out << in.rdbuf();
    out.close();
    ::chmod(copy.c_str(), 0755);
    return copy;
}

// In the child, between fork and exec: only async-signal-safe calls.
[[noreturn]] void execChild(int outFd, int errFd, bool unprivileged, char** argv, char** envp,
                            const char* fallback) {
    if (::dup2(outFd, STDOUT_FILENO) < 0 || ::dup2(errFd, STDERR_FILENO) < 0) ::_exit(126);
    const int devNull = ::open("/dev/null", O_RDONLY);
    if (devNull >= 0) ::dup2(devNull, STDIN_FILENO);
    if (unprivileged && ::geteuid() == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(125);
    }
    ::execve(argv[0], argv, envp);
    if (fallback != nullptr && *fallback != '\0') ::execve(fallback, argv, envp);
    ::_exit(127);
}

}  // namespace

const char* ScanProcess::program() {
    return LANBROOK_SCAN_EXE;
}

ScanProcess::ScanProcess(const Options& options) {
    char pattern[] = "/tmp/lanbrook-scan-stderr-XXXXXX";
    const int errFd = ::mkstemp(pattern);
    if (errFd < 0) throw std::runtime_error("mkstemp failed");
    errorFile_ = pattern;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    // The smallest pipe the system allows: a child that writes faster than
    // this process reads stays at most a few kilobytes ahead, so a test that
    // kills it after some lines finds it still running.
    (void)::fcntl(pipeFds[1], F_SETPIPE_SZ, 4096);

    std::vector<std::string> args{program()};
    args.insert(args.end(), options.arguments.begin(), options.arguments.end());
    std::vector<std::string> environment = childEnvironment(options.environment);
    std::vector<char*> argv = pointers(args);
    std::vector<char*> envp = pointers(environment);

    const std::string fallback = options.unprivileged && ::geteuid() == 0
                                     ? copyForEveryone(program(), copyFolder_)
                                     : std::string();

    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0)
        execChild(pipeFds[1], errFd, options.unprivileged, argv.data(), envp.data(),
                  fallback.c_str());
    ::close(pipeFds[1]);
    ::close(errFd);
    out_ = ::fdopen(pipeFds[0], "r");
}

ScanProcess::~ScanProcess() {
    if (status_ < 0 && pid_ > 0) {
        kill();
        (void)wait();
    }
    if (out_ != nullptr) std::fclose(out_);
    ::unlink(errorFile_.c_str());
    if (!copyFolder_.empty()) {
        ::unlink((copyFolder_ + "/lanbrook-scan").c_str());
        ::rmdir(copyFolder_.c_str());
    }
}

bool ScanProcess::readLine(std::string& line) {
    line.clear();
    if (out_ == nullptr) return false;
    int c = 0;
    while ((c = std::fgetc(out_)) != EOF && c != '\n') line += static_cast<char>(c);
    return c != EOF || !line.empty();
}

std::string ScanProcess::readRest() {
    std::string rest;
    char buffer[4096];
    std::size_t n = 0;
    while (out_ != nullptr && (n = std::fread(buffer, 1, sizeof buffer, out_)) > 0)
        rest.append(buffer, n);
    return rest;
}

void ScanProcess::kill() {
    if (pid_ > 0 && status_ < 0) ::kill(pid_, SIGKILL);
}

int ScanProcess::wait() {
    if (status_ >= 0 || pid_ <= 0) return status_;
    int raw = 0;
    while (::waitpid(pid_, &raw, 0) < 0) {
        if (errno != EINTR) return status_;
    }
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return status_;
}

std::string ScanProcess::errorText() const {
    std::ifstream in(errorFile_, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

ScanResult runScan(const ScanProcess::Options& options) {
    ScanProcess process(options);
    ScanResult result;
    result.out = process.readRest();
    result.status = process.wait();
    result.err = process.errorText();
    return result;
}
