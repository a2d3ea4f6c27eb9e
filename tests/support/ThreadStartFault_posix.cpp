// SPDX-License-Identifier: MIT
#include "ThreadStartFault.h"

#include <dlfcn.h>
#include <pthread.h>

#include <cerrno>
#include <mutex>

namespace {

struct Plan {
    std::mutex mutex;
    bool armed = false;
    int allowed = 0;
    int refused = 0;
    int refusals = 0;
};

Plan& plan() {
    static Plan instance;
    return instance;
}

// Whether this start is refused, counting it against the plan.
bool refuseNow() {
    Plan& p = plan();
    std::lock_guard<std::mutex> lock(p.mutex);
    if (!p.armed) return false;
    if (p.allowed > 0) {
        --p.allowed;
        return false;
    }
    if (p.refused == 0) return false;
    --p.refused;
    ++p.refusals;
    return true;
}

using CreateFunction = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);

}  // namespace

// Found before the C library's (and a sanitizer's) by every caller in the
// program, std::thread included; the next definition in line does the work.
extern "C" int pthread_create(pthread_t* __restrict thread, const pthread_attr_t* __restrict attr,
                              void* (*start)(void*), void* __restrict arg) noexcept {
    static const auto real = reinterpret_cast<CreateFunction>(dlsym(RTLD_NEXT, "pthread_create"));
    if (real == nullptr || refuseNow()) return EAGAIN;
    return real(thread, attr, start, arg);
}

ThreadStartFault::ThreadStartFault(int refused, int allowed) {
    Plan& p = plan();
    std::lock_guard<std::mutex> lock(p.mutex);
    p.armed = true;
    p.allowed = allowed;
    p.refused = refused;
    p.refusals = 0;
}

ThreadStartFault::~ThreadStartFault() {
    Plan& p = plan();
    std::lock_guard<std::mutex> lock(p.mutex);
    p.armed = false;
}

int ThreadStartFault::refusals() const {
    Plan& p = plan();
    std::lock_guard<std::mutex> lock(p.mutex);
    return p.refusals;
}
