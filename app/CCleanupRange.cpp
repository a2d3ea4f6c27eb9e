// SPDX-License-Identifier: MIT
#include "app/CCleanupRange.h"

#include <QMetaObject>

#include <cstdlib>
#include <utility>

#include "app/CContentCheckPanel.h"
#include "results/FileInfoLoader.h"

CCleanupRange::CCleanupRange(FileInfoLoader& loader, const CContentCheckPanel& check,
                             std::string shownMask, QObject* parent)
    : QObject(parent),
      m_loader(loader),
      m_check(check),
      m_shownMask(std::move(shownMask)),
      m_queue(loader.database().databasePath()) {}

CCleanupRange::~CCleanupRange() {
    m_queue.stop();
}

std::vector<std::string> CCleanupRange::names() const {
    std::vector<std::string> names;
    if (m_groups)
        for (const GroupCheck& group : *m_groups) names.push_back(m_names.at(group.mask));
    return names;
}

bool CCleanupRange::collect(Range range, QString& error) {
    const auto add = [this](const std::string& count, const std::string& mask,
                            const std::string& name) {
        if (std::atoi(count.c_str()) < 2 || m_names.count(mask) > 0) return;
        m_masks.push_back(mask);
        m_names[mask] = name;
    };
    if (range != Range::Every) {
        for (int i = 0; i < m_loader.groupCount(); ++i) {
            const GroupTable::Row row = m_loader.GetFileInfo(i);
            if (range == Range::Category || row[1] == m_shownMask) add(row[0], row[1], row[2]);
        }
        return true;
    }
    CFileInfoDB& database = m_loader.database();
    if (!database.query("SELECT FNUM, MASK, FNAME FROM FILEINFO_IDX ORDER BY ID")) {
        error = QString::fromLocal8Bit(database.errorText().c_str());
        return false;
    }
    for (const CSqliteDB::Row& row : database.resultRows())
        if (row.size() == 3) add(row[0], row[1], row[2]);
    database.clearResult();
    return true;
}

bool CCleanupRange::start(Range range, bool checkAll, QString& error) {
    m_queue.stop();
    ++m_run;
    m_masks.clear();
    m_names.clear();
    m_checked.clear();
    m_groups.reset();
    m_checking = false;
    m_failure.clear();
    if (!collect(range, error)) return false;
    std::vector<std::string> toCheck;
    for (const std::string& mask : m_masks) {
        const GroupCheck* found = checkAll ? nullptr : m_check.result(mask);
        if (found != nullptr)
            m_checked.emplace(mask, *found);
        else
            toCheck.push_back(mask);
    }
    m_toCheck = int(toCheck.size());
    m_checkedHere = 0;
    if (toCheck.empty())
        OnFinished(m_run, std::string());
    else
        startChecking(std::move(toCheck));
    return true;
}

void CCleanupRange::startChecking(std::vector<std::string> masks) {
    m_checking = true;
    const int run = m_run;
    ContentCheckQueue::Listener listener;
    // Called on the checking thread: the results cross to this object's
    // thread as queued calls, dropped if it is gone by then.
    listener.onChecked = [this, run](GroupCheck&& group) {
        auto shared = std::make_shared<GroupCheck>(std::move(group));
        QMetaObject::invokeMethod(
            this, [this, run, shared] { OnGroupChecked(run, shared); }, Qt::QueuedConnection);
    };
    listener.onFinished = [this, run](bool, const std::string& failure) {
        QMetaObject::invokeMethod(
            this, [this, run, failure] { OnFinished(run, failure); }, Qt::QueuedConnection);
    };
    emit progress(0, m_toCheck);
    m_queue.start(std::move(masks), std::move(listener));
}

void CCleanupRange::stop() {
    m_queue.stop();
}

void CCleanupRange::OnGroupChecked(int run, const std::shared_ptr<GroupCheck>& group) {
    if (run != m_run) return;
    ++m_checkedHere;
    m_checked[group->mask] = std::move(*group);
    emit progress(m_checkedHere, m_toCheck);
}

void CCleanupRange::OnFinished(int run, const std::string& failure) {
    if (run != m_run) return;
    m_queue.stop();  // the thread's last act was this report
    m_checking = false;
    m_failure = failure;
    auto groups = std::make_shared<std::vector<GroupCheck>>();
    for (const std::string& mask : m_masks) {
        const auto found = m_checked.find(mask);
        if (found != m_checked.end()) groups->push_back(std::move(found->second));
    }
    m_checked.clear();
    m_groups = std::move(groups);
    emit ready();
}
