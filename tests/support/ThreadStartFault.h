// SPDX-License-Identifier: MIT
#pragma once

// Makes the system refuse to start threads, as it does when a process or
// user has used up its threads: while an object lives, after the first
// `allowed` thread starts of the process, the next `refused` ones fail with
// EAGAIN (std::thread then throws std::system_error); later starts work
// again. It stands in for pthread_create in the test program, passing every
// start it does not refuse on to the real one. POSIX only.
class ThreadStartFault {
public:
    static constexpr int kEvery = 1 << 30;

    explicit ThreadStartFault(int refused = kEvery, int allowed = 0);
    ~ThreadStartFault();
    ThreadStartFault(const ThreadStartFault&) = delete;
    ThreadStartFault& operator=(const ThreadStartFault&) = delete;

    // The starts refused so far.
    int refusals() const;
};
