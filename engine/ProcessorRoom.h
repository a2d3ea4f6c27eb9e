// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>

// Tells a pool of threads whether one more would find a processor: the
// processor time the whole process used against the time that passed times
// the number of processors, since the previous answer. Threads that read from
// a disk leave processors idle while they wait, and more of them keep more
// requests in flight; threads that read from the page cache keep every
// processor busy, and more of them only take turns. Each object is asked by
// one thread.
class ProcessorRoom {
public:
    // `busyPercent`: how busy the processors may be for there to be room.
    explicit ProcessorRoom(int busyPercent);

    // True when the processors were less busy than that since the previous
    // answer. False until some milliseconds have passed since then (the
    // question then stays open), so that a short moment does not decide.
    bool hasRoom();

private:
    std::chrono::steady_clock::time_point since_;
    std::int64_t processorSince_;
    std::int64_t processors_;
    const int busyPercent_;
};
