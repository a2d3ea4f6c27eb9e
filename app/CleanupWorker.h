// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <functional>
#include <thread>

// One piece of work of the clean-up window on a thread of its own, so the
// window stays responsive: start() runs `job` there, and `done` afterwards
// on this object's thread, once the thread has been joined. A worker still
// running when the object goes is joined by the destructor, and its `done`
// is dropped.
class CleanupWorker : public QObject {
    Q_OBJECT
public:
    explicit CleanupWorker(QObject* parent = nullptr) : QObject(parent) {}
    ~CleanupWorker() override;

    // False, doing nothing, while an earlier job has not ended.
    bool start(std::function<void()> job, std::function<void()> done);
    bool isRunning() const { return m_thread.joinable(); }

private:
    std::thread m_thread;
};
