// SPDX-License-Identifier: MIT
#pragma once

#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

// Starting a thread can fail: the system may give no more threads (or no
// memory for one), and std::thread then throws. A failure that escapes ends
// the program, or, inside a constructor, leaves a running thread to be
// destroyed unjoined, which ends it too. These start `body` and say whether
// it runs, so the caller can go on with fewer threads, do the work itself or
// report the failure.

// Starts `body` on `thread`, which must not hold a running thread. False,
// with `thread` as it was, when no thread can be started.
template <typename Body>
[[nodiscard]] bool startThread(std::thread& thread, Body&& body) noexcept {
    try {
        thread = std::thread(std::forward<Body>(body));
        return true;
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
    return false;
}

// Starts `body` on a thread appended to `threads`. False, with `threads` as
// they were, when no thread can be started.
template <typename Body>
[[nodiscard]] bool startThread(std::vector<std::thread>& threads, Body&& body) noexcept {
    try {
        threads.emplace_back(std::forward<Body>(body));
        return true;
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
    return false;
}
