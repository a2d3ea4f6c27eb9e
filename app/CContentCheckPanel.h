// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "engine/GroupCheck.h"
#include "results/ContentCheckQueue.h"

class CAnalyseListDlg;
class FileInfoLoader;
class QLabel;
class QTableWidget;

// The main window's side of the background content check. It runs a
// ContentCheckQueue over the loaded category's groups of more than one file,
// takes each result over to the window's thread (a queued call, so the window
// never waits for the checker), and shows it: the group's state on the list
// page, each file's class in the file list's second column when that group
// is shown, and the category's confirmed duplicate bytes with the progress in
// a label of its own; when the check cannot run, the label says why.
//
// Results of a run that was stopped and replaced are dropped by their run
// number. stop() joins the checking thread; the destructor stops too.
class CContentCheckPanel : public QObject {
    Q_OBJECT
public:
    // Every pointer must outlive the panel.
    CContentCheckPanel(std::string databasePath, CAnalyseListDlg* listPage, QTableWidget* fileList,
                       QLabel* status, QObject* parent = nullptr);
    ~CContentCheckPanel() override;

    // Forgets earlier results and starts checking the groups of `loader`'s
    // category with more than one file, in group order.
    void start(const FileInfoLoader& loader);
    // Ends the check in hand and joins its thread; what was found stays shown.
    void stop();
    // The file list now shows the group of `mask`: checks it next when it is
    // not done yet, and fills the class column when it is.
    void showGroup(const std::string& mask);
    // Fills the class column of the file list from the result of the group shown.
    void fillClassColumn();

    // The result of the group of `mask`; null while it is not checked.
    const GroupCheck* result(const std::string& mask) const;
    // True while a checking thread has not been joined (it is joined when it
    // reports its end, and by stop()).
    bool isRunning() const { return m_queue.joinable(); }
    std::uint64_t confirmedBytes() const { return m_confirmedBytes; }
    int checkedGroups() const { return m_checkedGroups; }
    int totalGroups() const { return m_totalGroups; }

private:
    void OnGroupChecked(int run, const std::shared_ptr<GroupCheck>& group);
    void OnFinished(int run, const std::string& failure);
    void updateStatus();

    ContentCheckQueue m_queue;
    CAnalyseListDlg* m_listPage;
    QTableWidget* m_fileList;
    QLabel* m_status;
    std::unordered_map<std::string, GroupCheck> m_results;  // MASK -> result
    std::string m_shownMask;
    int m_run = 0;  // the number of the run whose results are taken
    bool m_finished = true;
    int m_checkedGroups = 0;
    int m_totalGroups = 0;
    std::uint64_t m_confirmedBytes = 0;
    std::string m_failure;  // why the last run could not check; "" when it could
};
