// SPDX-License-Identifier: MIT
// A program for the tests that start programs: appends one record of its
// arguments (argv[1] on) to the file that LANBROOK_RECORDER_OUTPUT names. A
// record is the argument count in decimal and then each argument, every piece
// ended by a zero byte; it goes out in one appending write, so records of
// several runs never mix.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const char* output = std::getenv("LANBROOK_RECORDER_OUTPUT");
    if (output == nullptr) return 2;
    std::string record = std::to_string(argc - 1);
    record += '\0';
    for (int i = 1; i < argc; ++i) {
        record += argv[i];
        record += '\0';
    }
    const int fd = ::open(output, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return 1;
    const bool written =
        ::write(fd, record.data(), record.size()) == static_cast<ssize_t>(record.size());
    ::close(fd);
    return written ? 0 : 1;
}
