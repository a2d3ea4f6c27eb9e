// SPDX-License-Identifier: MIT
#include "app/CCleanupDlg.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/CCleanupPreview.h"
#include "app/CCleanupRange.h"
#include "app/CKeepRulesEditor.h"
#include "app/CleanupPlanModel.h"
#include "app/CleanupSummaryText.h"
#include "app/CleanupWorker.h"
#include "engine/CleanupJournal.h"
#include "engine/CleanupProtection.h"
#include "engine/ContentChecker.h"
#include "results/FileInfoLoader.h"
#include "storage/CFileInfoDB.h"

namespace {

constexpr int kProgressMs = 50;  // the window shows progress at least this often

}  // namespace

struct CCleanupDlg::RunOutcome {
    std::string error;  // the run could not start
    CleanupRun::Summary summary;
};

struct CCleanupDlg::UndoOutcome {
    std::string error;
    CleanupUndo::Summary summary;
};

CCleanupDlg::CCleanupDlg(FileInfoLoader& loader, const CContentCheckPanel& check,
                         std::string shownMask, QWidget* parent)
    : QDialog(parent),
      m_loader(loader),
      m_shownMask(shownMask),  // the range keeps its own copy
      m_rules(new CKeepRulesEditor(KeepRule::defaults(), this)),
      m_rangeSelected(new QRadioButton(QStringLiteral("选中的组"), this)),
      m_rangeCategory(new QRadioButton(QStringLiteral("当前类别的所有组"), this)),
      m_rangeEvery(new QRadioButton(QStringLiteral("所有重复组"), this)),
      m_status(new QLabel(this)),
      m_preview(new CCleanupPreview(this)),
      m_model(&m_preview->plan()),
      m_total(new QLabel(this)),
      m_trash(new QPushButton(this)),
      m_cancel(new QPushButton(QStringLiteral("取消"), this)),
      m_undo(new QPushButton(QStringLiteral("撤销上次清理"), this)),
      m_close(new QPushButton(QStringLiteral("关闭"), this)),
      m_progressBar(new QProgressBar(this)),
      m_progressText(new QLabel(this)),
      m_summary(new QPlainTextEdit(this)),
      m_pages(new QStackedWidget(this)),
      m_range(new CCleanupRange(loader, check, shownMask, this)),
      m_worker(new CleanupWorker(this)) {
    setObjectName("cleanupDialog");
    setWindowTitle(QStringLiteral("批量清理"));
    setSizeGripEnabled(true);
    setUpLayout();
    connectCommands();
    m_rangeSelected->setEnabled(!m_shownMask.empty());
    m_rangeCategory->setChecked(true);
    updateUndo();
    OnRangeChanged();
}

CCleanupDlg::~CCleanupDlg() {
    m_stop = true;
    // The worker's job uses this dialog's members: it ends before they go.
    delete m_worker;
}

void CCleanupDlg::setUpLayout() {
    m_rangeSelected->setObjectName("rangeSelected");
    m_rangeCategory->setObjectName("rangeCategory");
    m_rangeEvery->setObjectName("rangeEvery");
    m_status->setObjectName("checkStatus");
    m_total->setObjectName("totalLabel");
    m_trash->setObjectName("trashButton");
    m_cancel->setObjectName("cancelButton");
    m_undo->setObjectName("undoButton");
    m_close->setObjectName("closeButton");
    m_progressBar->setObjectName("progressBar");
    m_progressText->setObjectName("progressText");
    m_summary->setObjectName("summaryText");

    auto* rulesBox =
        new QGroupBox(QStringLiteral("保留规则（按顺序比较，前一条相同时看下一条）"), this);
    (new QVBoxLayout(rulesBox))->addWidget(m_rules);
    auto* rangeBox = new QGroupBox(QStringLiteral("范围"), this);
    auto* ranges = new QVBoxLayout(rangeBox);
    for (QRadioButton* button : {m_rangeSelected, m_rangeCategory, m_rangeEvery})
        ranges->addWidget(button);
    ranges->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(rulesBox, 3);
    top->addWidget(rangeBox, 1);

    m_summary->setReadOnly(true);
    m_progressBar->setTextVisible(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_trash);
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    buttons->addWidget(m_undo);
    buttons->addWidget(m_close);
    auto* progress = new QHBoxLayout;
    progress->addWidget(m_progressBar, 1);
    progress->addWidget(m_progressText);

    // The preview, and in its place once work runs, what the work did.
    m_pages->addWidget(m_preview);
    m_pages->addWidget(m_summary);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_status);
    layout->addWidget(m_pages, 1);
    layout->addWidget(m_total);
    layout->addLayout(buttons);
    layout->addLayout(progress);
    resize(900, 660);
}

void CCleanupDlg::connectCommands() {
    for (QRadioButton* button : {m_rangeSelected, m_rangeCategory, m_rangeEvery})
        // Clicked, not toggled: choosing the range shown again plans it afresh.
        connect(button, &QRadioButton::clicked, this, &CCleanupDlg::OnRangeChanged);
    connect(m_rules, &CKeepRulesEditor::changed, this, &CCleanupDlg::replan);
    connect(m_range, &CCleanupRange::progress, this, [this](int checked, int total) {
        m_status->setText(QStringLiteral("正在核对内容：%1 / %2 组").arg(checked).arg(total));
    });
    connect(m_range, &CCleanupRange::ready, this, &CCleanupDlg::OnRangeReady);
    connect(m_model, &CleanupPlanModel::planChanged, this, &CCleanupDlg::updateControls);
    connect(m_trash, &QPushButton::clicked, this, &CCleanupDlg::OnTrash);
    connect(m_cancel, &QPushButton::clicked, this, &CCleanupDlg::OnCancel);
    connect(m_undo, &QPushButton::clicked, this, &CCleanupDlg::OnUndo);
    connect(m_close, &QPushButton::clicked, this, &CCleanupDlg::reject);
    m_progressTimer.setInterval(kProgressMs);
    connect(&m_progressTimer, &QTimer::timeout, this, &CCleanupDlg::showProgress);
}

bool CCleanupDlg::isBusy() const {
    return m_work != Work::None;
}

bool CCleanupDlg::hasPlan() const {
    return m_work == Work::None && CleanupPlanner::totalFiles(m_model->steps()) > 0;
}

void CCleanupDlg::reject() {
    // Work in hand ends first; the user closes again once it has.
    if (isBusy()) {
        OnCancel();
        return;
    }
    QDialog::reject();
}

void CCleanupDlg::OnRangeChanged() {
    m_model->clear();
    m_pages->setCurrentWidget(m_preview);
    m_work = Work::Checking;
    updateControls();
    const CCleanupRange::Range chosen = m_rangeSelected->isChecked() ? CCleanupRange::Range::Shown
                                        : m_rangeEvery->isChecked()
                                            ? CCleanupRange::Range::Every
                                            : CCleanupRange::Range::Category;
    // Once files moved here, the main window's results no longer hold.
    QString error;
    if (m_range->start(chosen, m_changedFiles, error)) return;
    m_work = Work::None;
    m_status->setText(QStringLiteral("无法读取重复组：") + error);
    updateControls();
}

void CCleanupDlg::OnRangeReady() {
    m_work = Work::None;
    const std::size_t checked = m_range->groups()->size();
    const std::size_t unchecked = m_range->unchecked();
    QString status = unchecked == 0 ? QStringLiteral("已核对 %1 组。").arg(checked)
                                    : QStringLiteral("已核对 %1 组；%2 组未能核对，不列入清理。")
                                          .arg(checked)
                                          .arg(unchecked);
    if (!m_range->failure().empty())
        status +=
            QStringLiteral("无法核对内容：") + QString::fromLocal8Bit(m_range->failure().c_str());
    m_status->setText(status);
    replan();
}

void CCleanupDlg::replan() {
    if (!m_range->groups() || isBusy()) return;
    CleanupPlanner::ProtectedTest isProtected;
    std::string error;
    if (!loadCleanupProtection(m_loader.database(), isProtected, error)) {
        // Without the protected folders nothing may be planned.
        m_model->clear();
        m_status->setText(QStringLiteral("无法读取受保护的文件夹：") +
                          QString::fromLocal8Bit(error.c_str()));
        return;
    }
    m_model->setPlan(m_range->groups(), m_range->names(),
                     CleanupPlanner(m_rules->rules(), isProtected));
}

void CCleanupDlg::updateControls() {
    const std::vector<CleanupStep>& steps = m_model->steps();
    const std::size_t files = CleanupPlanner::totalFiles(steps);
    const std::uint64_t bytes = CleanupPlanner::totalBytes(steps);
    std::size_t refused = 0;
    for (const CleanupStep& step : steps)
        if (!step.refusal.empty()) refused += step.moving.size();
    QString total = QStringLiteral("共 %1 组；移到回收站 %2")
                        .arg(steps.size())
                        .arg(cleanuptext::filesAndBytes(files, bytes));
    if (refused > 0) total += QStringLiteral("；另有 %1 个文件不移动（见表中原因）").arg(refused);
    m_total->setText(total);
    m_trash->setText(
        QStringLiteral("移到回收站 (%1)").arg(cleanuptext::filesAndBytes(files, bytes)));
    const bool idle = !isBusy();
    m_trash->setEnabled(idle && files > 0);
    m_cancel->setEnabled(!idle);
    m_undo->setEnabled(idle && m_undoPending > 0);
    m_rules->setEnabled(idle);
    m_preview->setEnabled(idle || m_work == Work::Checking);
    for (QRadioButton* button : {m_rangeCategory, m_rangeEvery})
        button->setEnabled(idle || m_work == Work::Checking);
    m_rangeSelected->setEnabled((idle || m_work == Work::Checking) && !m_shownMask.empty());
}

void CCleanupDlg::updateUndo() {
    std::string error;
    if (!CleanupUndo::pending(m_loader.database(), m_undoPending, error)) m_undoPending = 0;
    m_undo->setToolTip(
        m_undoPending > 0
            ? QStringLiteral("把上次清理移到回收站的 %1 个文件放回原处").arg(m_undoPending)
            : QStringLiteral("没有可撤销的清理"));
}

void CCleanupDlg::OnTrash() {
    if (!hasPlan()) return;
    const std::shared_ptr<const std::vector<GroupCheck>> groups = m_model->groups();
    const std::vector<CleanupStep> steps = m_model->steps();
    const std::string databasePath = m_loader.database().databasePath();
    m_totals = CleanupRun::totals(*groups, steps);
    m_stop = false;
    m_progress.files = 0;
    m_progress.bytes = 0;
    auto outcome = std::make_shared<RunOutcome>();
    // The run's own connections, opened and closed on its thread.
    const auto job = [this, groups, steps, databasePath, outcome] {
        CFileInfoDB database(databasePath);
        ContentChecker cache(databasePath);
        CleanupJournal journal(database);
        if (!database.open() || !database.execute("PRAGMA busy_timeout = 5000")) {
            outcome->error = database.errorText();
        } else if (!cache.open()) {
            outcome->error = cache.errorText();
        } else if (!journal.begin()) {
            outcome->error = journal.errorText();
        } else {
            outcome->summary =
                CleanupRun(database, cache).run(*groups, steps, m_stop, &m_progress, &journal);
        }
    };
    startWork(Work::Moving, QStringLiteral("正在把文件移到回收站……"), job,
              [this, outcome] { OnRunFinished(outcome); });
}

void CCleanupDlg::startWork(Work work, const QString& summary, std::function<void()> job,
                            std::function<void()> done) {
    m_work = work;
    m_summary->setPlainText(summary);
    m_pages->setCurrentWidget(m_summary);
    showProgress();
    m_progressTimer.start();
    updateControls();
    (void)m_worker->start(std::move(job), std::move(done));
}

void CCleanupDlg::OnRunFinished(const std::shared_ptr<RunOutcome>& outcome) {
    const bool started = outcome->error.empty();
    m_changedFiles = m_changedFiles || (started && !outcome->summary.moved.empty());
    // The plan is spent: what moved is gone, what stayed was refused for a reason.
    finishWork(started ? cleanuptext::runSummary(outcome->summary)
                       : QStringLiteral("未能开始清理，没有移动任何文件：") +
                             QString::fromLocal8Bit(outcome->error.c_str()),
               QStringLiteral("清理已结束。关闭后列表会重新载入；要再次清理，请再选一次范围。"));
}

void CCleanupDlg::finishWork(const QString& summary, const QString& status) {
    m_progressTimer.stop();
    showProgress();
    m_work = Work::None;
    m_summary->setPlainText(summary);
    m_model->clear();
    m_status->setText(status);
    m_progressText->setText(m_progressText->text().remove(QStringLiteral("（正在取消）")));
    updateUndo();
    updateControls();
}

void CCleanupDlg::OnUndo() {
    if (isBusy() || m_undoPending == 0) return;
    const std::string databasePath = m_loader.database().databasePath();
    auto outcome = std::make_shared<UndoOutcome>();
    const auto job = [this, databasePath, outcome] {
        CFileInfoDB database(databasePath);
        if (!database.open() || !database.execute("PRAGMA busy_timeout = 5000") ||
            !CleanupUndo::run(database, outcome->summary, outcome->error, &m_restored))
            if (outcome->error.empty()) outcome->error = database.errorText();
    };
    m_totals = CleanupRun::Totals{m_undoPending, 0};
    m_restored = 0;
    startWork(Work::Undoing, QStringLiteral("正在把文件放回原处……"), job,
              [this, outcome] { OnUndoFinished(outcome); });
}

void CCleanupDlg::OnUndoFinished(const std::shared_ptr<UndoOutcome>& outcome) {
    m_changedFiles = m_changedFiles || !outcome->summary.restored.empty();
    // Files came back: the plan shown may no longer hold.
    finishWork(outcome->error.empty()
                   ? cleanuptext::undoSummary(outcome->summary)
                   : QStringLiteral("无法撤销：") + QString::fromLocal8Bit(outcome->error.c_str()),
               QStringLiteral("撤销已结束。关闭后列表会重新载入；要再次清理，请再选一次范围。"));
}

void CCleanupDlg::OnCancel() {
    if (m_work == Work::Checking) {
        // What was checked so far is planned.
        m_range->stop();
        return;
    }
    m_stop = true;
    m_cancel->setEnabled(false);
    m_progressText->setText(m_progressText->text() + QStringLiteral("（正在取消）"));
}

void CCleanupDlg::showProgress() {
    if (m_work == Work::Undoing) {
        const std::uint64_t done = m_restored.load();
        m_progressBar->setRange(0, int(std::max<std::uint64_t>(m_totals.files, 1)));
        m_progressBar->setValue(int(done));
        m_progressText->setText(
            QStringLiteral("已处理 %1 / %2 个文件").arg(done).arg(m_totals.files));
        return;
    }
    const std::uint64_t files = m_progress.files.load();
    const std::uint64_t bytes = m_progress.bytes.load();
    // The bar follows the bytes (thousandths, so any size fits an int).
    m_progressBar->setRange(0, 1000);
    m_progressBar->setValue(m_totals.bytes == 0 ? (files >= m_totals.files ? 1000 : 0)
                                                : int(bytes * 1000 / m_totals.bytes));
    m_progressText->setText(
        QStringLiteral("已处理 %1 / %2 个文件，%3 / %4字节")
            .arg(files)
            .arg(m_totals.files)
            .arg(cleanuptext::sizeText(bytes), cleanuptext::sizeText(m_totals.bytes)));
}
