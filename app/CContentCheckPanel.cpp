// SPDX-License-Identifier: MIT
#include "app/CContentCheckPanel.h"

#include <QLabel>
#include <QMetaObject>
#include <QTableWidget>

#include <cstdlib>
#include <utility>
#include <vector>

#include "engine/ui/ListViewRows.h"
#include "results/FileInfoLoader.h"
#include "results/ui/CAnalyseListDlg.h"
#include "results/ui/GroupStateLook.h"
#include "util/FileUtility.h"

CContentCheckPanel::CContentCheckPanel(std::string databasePath, CAnalyseListDlg* listPage,
                                       QTableWidget* fileList, QLabel* status, QObject* parent)
    : QObject(parent),
      m_queue(std::move(databasePath)),
      m_listPage(listPage),
      m_fileList(fileList),
      m_status(status) {
    updateStatus();
}

CContentCheckPanel::~CContentCheckPanel() {
    m_queue.stop();
}

void CContentCheckPanel::start(const FileInfoLoader& loader) {
    stop();
    ++m_run;
    m_results.clear();
    m_listPage->clearGroupStates();
    m_checkedGroups = 0;
    m_confirmedBytes = 0;
    m_failure.clear();
    std::vector<std::string> masks;
    for (int i = 0; i < loader.groupCount(); ++i) {
        const GroupTable::Row row = loader.GetFileInfo(i);
        if (std::atoi(row[0].c_str()) > 1) masks.push_back(row[1]);
    }
    m_totalGroups = int(masks.size());
    m_finished = masks.empty();
    updateStatus();
    if (masks.empty()) return;
    const int run = m_run;
    ContentCheckQueue::Listener listener;
    // Called on the checking thread: the results cross to this object's
    // thread as queued calls, dropped if this object is gone by then.
    listener.onChecked = [this, run](GroupCheck&& group) {
        auto shared = std::make_shared<GroupCheck>(std::move(group));
        QMetaObject::invokeMethod(
            this, [this, run, shared] { OnGroupChecked(run, shared); }, Qt::QueuedConnection);
    };
    listener.onFinished = [this, run](bool, const std::string& failure) {
        QMetaObject::invokeMethod(
            this, [this, run, failure] { OnFinished(run, failure); }, Qt::QueuedConnection);
    };
    m_queue.start(std::move(masks), std::move(listener));
}

void CContentCheckPanel::stop() {
    m_queue.stop();
    m_finished = true;
    updateStatus();
}

void CContentCheckPanel::showGroup(const std::string& mask) {
    m_shownMask = mask;
    if (!m_results.count(mask)) m_queue.prioritize(mask);
    fillClassColumn();
}

const GroupCheck* CContentCheckPanel::result(const std::string& mask) const {
    const auto found = m_results.find(mask);
    return found == m_results.end() ? nullptr : &found->second;
}

void CContentCheckPanel::fillClassColumn() {
    const GroupCheck* group = result(m_shownMask);
    for (int row = 0; row < m_fileList->rowCount(); ++row) {
        const std::string path = listrows::rowBytes(*m_fileList, row);
        QString text;
        QString tip;
        if (group) {
            for (int i = 0; i < int(group->files.size()); ++i) {
                const CheckedFile& file = group->files[std::size_t(i)];
                if (file.path() != path) continue;
                text = groupstate::fileClassText(*group, i);
                if (file.status == CheckedFile::Status::Unreadable)
                    tip = QString::fromLocal8Bit(file.reason.c_str());
                break;
            }
        }
        auto* item = new QTableWidgetItem(text);
        item->setToolTip(tip);
        m_fileList->setItem(row, 1, item);
    }
}

void CContentCheckPanel::OnGroupChecked(int run, const std::shared_ptr<GroupCheck>& group) {
    if (run != m_run) return;  // a run that was stopped and replaced
    ++m_checkedGroups;
    m_confirmedBytes += group->reclaimableBytes();
    const std::string mask = group->mask;
    const GroupState state = group->state;
    m_results[mask] = std::move(*group);
    m_listPage->setGroupState(mask, state);
    if (mask == m_shownMask) fillClassColumn();
    updateStatus();
}

void CContentCheckPanel::OnFinished(int run, const std::string& failure) {
    if (run != m_run) return;
    m_queue.stop();  // the thread's last act was this report: the join is immediate
    m_finished = true;
    m_failure = failure;
    updateStatus();
}

void CContentCheckPanel::updateStatus() {
    char size[32];
    FileUtility::formatSize(size, m_confirmedBytes);
    QString text = QStringLiteral("已确认重复 %1字节").arg(QString::fromLatin1(size));
    if (!m_finished)
        text += QStringLiteral("，正在核对 %1/%2").arg(m_checkedGroups).arg(m_totalGroups);
    else if (m_totalGroups > 0 && m_checkedGroups < m_totalGroups)
        text += QStringLiteral("（已核对 %1/%2）").arg(m_checkedGroups).arg(m_totalGroups);
    if (!m_failure.empty()) {
        // The check could not run: say why instead of a count that stays at 0.
        text = QStringLiteral("无法核对内容：%1").arg(QString::fromLocal8Bit(m_failure.c_str()));
        m_status->setText(text);
        m_status->setToolTip(text);
        return;
    }
    m_status->setText(text);
    m_status->setToolTip(QStringLiteral(
        "核对文件内容后确认的重复字节数：每组内容相同的文件中，多出的副本所占的字节"));
}
