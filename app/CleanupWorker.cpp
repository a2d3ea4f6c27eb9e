// SPDX-License-Identifier: MIT
#include "app/CleanupWorker.h"

#include <QMetaObject>

#include <utility>

CleanupWorker::~CleanupWorker() {
    if (m_thread.joinable()) m_thread.join();
}

bool CleanupWorker::start(std::function<void()> job, std::function<void()> done) {
    if (m_thread.joinable()) return false;
    m_thread = std::thread([this, job = std::move(job), done = std::move(done)] {
        job();
        // The call is queued to this object and dropped if it is gone by then.
        QMetaObject::invokeMethod(
            this,
            [this, done] {
                if (m_thread.joinable()) m_thread.join();
                done();
            },
            Qt::QueuedConnection);
    });
    return true;
}
