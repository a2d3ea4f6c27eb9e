// SPDX-License-Identifier: MIT
#pragma once

#include <QTimer>

#include <thread>

#include "engine/AnalysisScope.h"
#include "engine/IMessageTarget.h"
#include "engine/ui/CTemplateDialog.h"

// The modal dialog in which an analysis run happens (template 129). One
// second after it is first shown it starts the run on a worker thread and
// shows the drive roots (or the folders chosen in 扫描范围, which the run
// walks instead), the folder being handled and the running file count
// from the worker's posted messages. While the run lasts the exit button is
// disabled and neither Escape nor the close button ends the dialog, so a run
// always finishes before its creator reads the results. With closeWhenDone
// the dialog ends by itself (cancel code) when the run has finished;
// otherwise the exit button is enabled again. The worker is joined before the
// dialog is destroyed. When the system gives no thread for the run, none
// takes place: the dialog says so and stays open, its exit button enabled.
class CFileAnalyseDlg : public CTemplateDialog, public IMessageTarget {
    Q_OBJECT
public:
    explicit CFileAnalyseDlg(QWidget* parent = nullptr);
    ~CFileAnalyseDlg() override;

    // Set by the creator before the dialog is shown.
    bool closeWhenDone = false;

    // Called on the worker thread: queues the message for the dialog's thread.
    [[nodiscard]] bool postMessage(unsigned message, std::uintptr_t wParam,
                                   std::intptr_t lParam) override;

    bool isRunning() const { return running_; }
    void done(int result) override;

    static const DialogTemplate& dialogTemplate();

protected:
    bool OnInitDialog() override;
    void OnTimer();
    long OnAnalyseInfo(std::uintptr_t wParam, std::intptr_t lParam);
    long OnAnalyseState(std::uintptr_t wParam);

    void customEvent(QEvent* event) override;

private:
    void joinWorker();

    QTimer startTimer_;
    AnalysisScope scope_;  // read when the dialog opens; the worker walks it
    std::thread worker_;
    bool running_ = false;
};
