// SPDX-License-Identifier: MIT
#include "engine/ui/CFileAnalyseDlg.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

#include <cstring>
#include <memory>

#include "engine/AnalyseThreadProc.h"
#include "engine/ConfigInfo.h"
#include "engine/ThreadStart.h"
#include "engine/ui/CAnalyseMessageEvent.h"
#include "engine/ui/ControlIds.h"
#include "util/FileUtility.h"

namespace {

const ControlTemplate kControls[] = {
    {ids::kOk, ControlKind::DefaultPushButton, "退出", 409, 57, 50, 14, kStyleNone, "exitButton"},
    {ids::kNoId, ControlKind::Static, "系统驱动器：", 7, 18, 49, 8, kStyleNone, "drivesLabel"},
    {ids::kAnalyseDrives, ControlKind::Edit, "", 60, 15, 252, 14, kReadOnly, "drivesField"},
    {ids::kNoId, ControlKind::Static, "正在处理：", 15, 34, 41, 8, kStyleNone, "folderLabel"},
    {ids::kAnalyseFolder, ControlKind::Edit, "", 60, 32, 390, 14, kReadOnly, "folderField"},
    {ids::kNoId, ControlKind::Static, "处理文件数：", 7, 50, 49, 8, kStyleNone, "countLabel"},
    {ids::kAnalyseCount, ControlKind::Edit, "", 60, 49, 75, 14, kReadOnly | kAlignRight,
     "countField"},
};

const DialogTemplate kTemplate = {ids::kAnalyseDialog, "分析", 466, 78, 8, kControls,
                                  std::size(kControls)};

constexpr int kStartDelayMs = 1000;

}  // namespace

const DialogTemplate& CFileAnalyseDlg::dialogTemplate() {
    return kTemplate;
}

CFileAnalyseDlg::CFileAnalyseDlg(QWidget* parent) : CTemplateDialog(kTemplate, parent) {
    setObjectName("analyseDialog");
    // The close button stays off for the dialog's whole life, like a greyed
    // Close item of the system menu.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    startTimer_.setSingleShot(true);
    startTimer_.setInterval(kStartDelayMs);
    connect(&startTimer_, &QTimer::timeout, this, &CFileAnalyseDlg::OnTimer);
}

CFileAnalyseDlg::~CFileAnalyseDlg() {
    joinWorker();
}

void CFileAnalyseDlg::joinWorker() {
    if (worker_.joinable()) worker_.join();
}

bool CFileAnalyseDlg::postMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    QCoreApplication::postEvent(this, new CAnalyseMessageEvent(message, wParam, lParam));
    return true;
}

bool CFileAnalyseDlg::OnInitDialog() {
    // The folders chosen in 扫描范围 are walked in place of the drives.
    if (!AnalysisScope::loadFrom(ConfigInfo::global().getDatabasePath(),
                                 AnalysisScope::Stored::Chosen, scope_))
        scope_ = AnalysisScope();
    QString drives;
    for (const std::string& root :
         scope_.coversEveryDrive() ? FileUtility::getLogicalDrives() : scope_.roots())
        drives += "[" + QString::fromLocal8Bit(root.data(), int(root.size())) + "]  ";
    setFieldText(control<QLineEdit>(ids::kAnalyseDrives), drives);
    setFieldText(control<QLineEdit>(ids::kAnalyseFolder), QStringLiteral("正在启动分析..."));
    startTimer_.start();
    return true;
}

void CFileAnalyseDlg::OnTimer() {
    startTimer_.stop();
    // The worker's messages are handled on this thread, after this returns.
    if (!startThread(worker_, [this] { AnalyseThreadProc(this, nullptr, &scope_); })) {
        // No run takes place: the dialog says so and can be closed.
        setFieldText(control<QLineEdit>(ids::kAnalyseFolder),
                     QStringLiteral("无法启动分析：系统无法再创建线程。"));
        return;
    }
    control<QPushButton>(ids::kOk)->setEnabled(false);
    running_ = true;
}

void CFileAnalyseDlg::customEvent(QEvent* event) {
    if (event->type() != CAnalyseMessageEvent::eventType()) {
        CTemplateDialog::customEvent(event);
        return;
    }
    auto* message = static_cast<CAnalyseMessageEvent*>(event);
    if (message->message() == WM_ANALYSE_INFO) {
        std::uintptr_t wParam = message->wParam();
        std::unique_ptr<char[]> block(message->takeBlock());
        if (message->carriesBlock()) {
            if (!block) return;
            wParam = reinterpret_cast<std::uintptr_t>(block.get());
        }
        OnAnalyseInfo(wParam, message->lParam());
    } else if (message->message() == WM_ANALYSE_STATE) {
        OnAnalyseState(message->wParam());
    }
}

long CFileAnalyseDlg::OnAnalyseInfo(std::uintptr_t wParam, std::intptr_t lParam) {
    QString count;
    if (lParam == kInfoProgressBlock) {
        const char* block = reinterpret_cast<const char*>(wParam);
        std::uint32_t blockCount = 0;
        std::memcpy(&blockCount, block, sizeof blockCount);
        const char* text = block + kProgressTextOffset;
        // The sender terminates the text; the bound guards a block that is not.
        const std::size_t room = kProgressBlockSize - kProgressTextOffset;
        const void* end = std::memchr(text, 0, room);
        const auto length = end ? static_cast<const char*>(end) - text : std::ptrdiff_t(room);
        setFieldText(control<QLineEdit>(ids::kAnalyseFolder),
                     QString::fromLocal8Bit(text, int(length)));
        count = QString::number(blockCount);
    } else {
        count = QString::number(static_cast<std::uint32_t>(wParam));
    }
    setFieldText(control<QLineEdit>(ids::kAnalyseCount), count);
    return 0;
}

long CFileAnalyseDlg::OnAnalyseState(std::uintptr_t wParam) {
    if (wParam == kStateStarted) {
        control<QPushButton>(ids::kOk)->setEnabled(false);
    } else if (wParam == kStateFinished) {
        // The worker returns right after this, its last message.
        joinWorker();
        running_ = false;
        if (closeWhenDone)
            QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
        else
            control<QPushButton>(ids::kOk)->setEnabled(true);
    }
    return 0;
}

void CFileAnalyseDlg::done(int result) {
    if (running_) return;  // a run is never cut short
    startTimer_.stop();    // ending before the run began: no run takes place
    CTemplateDialog::done(result);
}
