// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/GroupCheck.h"
#include "results/ContentCheckQueue.h"

class CContentCheckPanel;
class FileInfoLoader;

// The checked groups a clean-up plans over: those of two files or more of a
// range (the group shown, the loaded category, or every group of the index),
// in the index's order, each checked by its content. What the main window's
// background check holds is taken as it is; the other groups are checked
// here, on a thread of their own. Emits progress() as groups are checked
// and ready() once every group is (or the check was stopped): groups() then
// holds those that were checked, with their names beside them.
class CCleanupRange : public QObject {
    Q_OBJECT
public:
    enum class Range { Shown, Category, Every };

    // `loader` and `check` must outlive this object.
    CCleanupRange(FileInfoLoader& loader, const CContentCheckPanel& check, std::string shownMask,
                  QObject* parent = nullptr);
    ~CCleanupRange() override;

    // Forgets the groups gathered before and gathers those of `range`.
    // With `checkAll`, the main window's results are not taken (files moved
    // since they were found). False, with `error`, when the index cannot be
    // read.
    [[nodiscard]] bool start(Range range, bool checkAll, QString& error);
    // Ends the check in hand; ready() follows with what was checked.
    void stop();
    bool isChecking() const { return m_checking; }

    const std::shared_ptr<const std::vector<GroupCheck>>& groups() const { return m_groups; }
    // The names of groups(), beside them.
    std::vector<std::string> names() const;
    // Why the check could not run ("" when it could); its groups are unchecked.
    const std::string& failure() const { return m_failure; }
    // Groups of the range that could not be checked.
    std::size_t unchecked() const { return m_masks.size() - (m_groups ? m_groups->size() : 0); }

signals:
    void progress(int checked, int total);
    void ready();

private:
    [[nodiscard]] bool collect(Range range, QString& error);
    void startChecking(std::vector<std::string> masks);
    void OnGroupChecked(int run, const std::shared_ptr<GroupCheck>& group);
    void OnFinished(int run, const std::string& failure);

    FileInfoLoader& m_loader;
    const CContentCheckPanel& m_check;
    const std::string m_shownMask;
    std::vector<std::string> m_masks;
    std::unordered_map<std::string, std::string> m_names;  // MASK -> the group's name
    std::unordered_map<std::string, GroupCheck> m_checked;
    std::shared_ptr<const std::vector<GroupCheck>> m_groups;
    ContentCheckQueue m_queue;
    int m_run = 0;  // results of an earlier start are dropped by this number
    int m_toCheck = 0;
    int m_checkedHere = 0;
    bool m_checking = false;
    std::string m_failure;
};
