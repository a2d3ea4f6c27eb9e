// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/CleanupRun.h"
#include "engine/CleanupUndo.h"

class CContentCheckPanel;
class CCleanupPreview;
class CCleanupRange;
class CKeepRulesEditor;
class CleanupPlanModel;
class CleanupWorker;
class FileInfoLoader;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;

// 批量清理: frees the space of many groups of copies in one step. The user
// orders the keep rules, chooses the range (the group shown, the current
// category, or every duplicate group), and sees a preview of the plan: per
// class of identical files the file that stays, the files that go and the
// bytes freed, where the file that stays of any row can be changed by hand.
// 移到回收站 carries the plan out through the removal path on a thread of
// its own, with progress (files and bytes) and 取消 between files, and ends
// with a summary of what moved, what was refused and why, and the bytes
// freed. 撤销上次清理 puts the files of the last clean-up back.
//
// The groups are those the content check confirmed: results the main
// window's background check holds are taken as they are, the other groups
// of the range are checked here first. A resizable window of its own; while
// work runs, closing it only asks that work to stop.
class CCleanupDlg : public QDialog {
    Q_OBJECT
public:
    // `loader` and `check` must outlive the dialog; `shownMask` is the group
    // the main window shows (empty: none).
    CCleanupDlg(FileInfoLoader& loader, const CContentCheckPanel& check, std::string shownMask,
                QWidget* parent = nullptr);
    ~CCleanupDlg() override;

    // Whether files moved or came back: the main window then rebuilds the
    // index and shows the category again.
    bool changedFiles() const { return m_changedFiles; }
    // True while groups are checked, files move or come back.
    bool isBusy() const;
    // Whether a plan is shown and ready to be carried out.
    bool hasPlan() const;

    void reject() override;

private:
    struct RunOutcome;
    struct UndoOutcome;
    enum class Work { None, Checking, Moving, Undoing };

    void setUpLayout();
    void connectCommands();
    void OnRangeChanged();
    void OnRangeReady();
    void replan();
    void OnTrash();
    void OnRunFinished(const std::shared_ptr<RunOutcome>& outcome);
    void OnUndo();
    void OnUndoFinished(const std::shared_ptr<UndoOutcome>& outcome);
    void OnCancel();
    // Shows `summary` and runs `job` on the worker's thread, then `done` here.
    void startWork(Work work, const QString& summary, std::function<void()> job,
                   std::function<void()> done);
    // Shows `summary` and `status` once work has ended; the plan is dropped.
    void finishWork(const QString& summary, const QString& status);
    void showProgress();
    void updateControls();
    void updateUndo();

    FileInfoLoader& m_loader;
    const std::string m_shownMask;

    CKeepRulesEditor* m_rules;
    QRadioButton* m_rangeSelected;
    QRadioButton* m_rangeCategory;
    QRadioButton* m_rangeEvery;
    QLabel* m_status;
    CCleanupPreview* m_preview;
    CleanupPlanModel* m_model;
    QLabel* m_total;
    QPushButton* m_trash;
    QPushButton* m_cancel;
    QPushButton* m_undo;
    QPushButton* m_close;
    QProgressBar* m_progressBar;
    QLabel* m_progressText;
    QPlainTextEdit* m_summary;
    QStackedWidget* m_pages;  // the preview, or the summary in its place

    CCleanupRange* m_range;  // the checked groups the plan is made over
    CleanupWorker* m_worker;
    Work m_work = Work::None;
    std::atomic<bool> m_stop{false};
    CleanupRun::Progress m_progress;
    std::atomic<std::uint64_t> m_restored{0};
    CleanupRun::Totals m_totals;
    QTimer m_progressTimer;
    std::size_t m_undoPending = 0;
    bool m_changedFiles = false;
};
