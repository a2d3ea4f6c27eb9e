// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

// The window an analysis run reports to. The run's worker thread only posts:
// a message number with two integer parameters, queued for the receiver's
// thread. The Qt progress dialog posts an event to itself; the console runner
// handles the message at once.
class IMessageTarget {
public:
    virtual ~IMessageTarget() = default;
    // Queues the message; false when it cannot be delivered (the receiver is gone).
    [[nodiscard]] virtual bool postMessage(unsigned message, std::uintptr_t wParam,
                                           std::intptr_t lParam) = 0;
};

constexpr unsigned WM_USER = 0x0400;
// wParam: a progress block (lParam 1) or the current file count (lParam 2).
constexpr unsigned WM_ANALYSE_INFO = WM_USER + 123;
// wParam: 1 when the run starts, 2 when it has finished; lParam 0.
constexpr unsigned WM_ANALYSE_STATE = WM_USER + 124;

constexpr std::intptr_t kInfoProgressBlock = 1;
constexpr std::intptr_t kInfoFileCount = 2;
constexpr std::uintptr_t kStateStarted = 1;
constexpr std::uintptr_t kStateFinished = 2;

// A progress block: 512 zero-filled bytes allocated with new char[] by the
// sender; bytes 0-3 hold the file count (machine byte order), bytes 4-511 a
// zero-terminated text of at most 507 bytes. The receiver frees it with
// delete[] once read; a block whose posting fails is freed by the sender.
constexpr std::size_t kProgressBlockSize = 512;
constexpr std::size_t kProgressTextOffset = 4;
