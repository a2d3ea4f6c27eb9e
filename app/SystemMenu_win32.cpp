// SPDX-License-Identifier: MIT
#include "app/SystemMenu.h"

#include <windows.h>

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QObject>
#include <QWidget>

#include <utility>

#include "engine/ui/ControlIds.h"

namespace {

// Watches the window's WM_SYSCOMMAND messages for the appended item; lives as
// long as the window (a child object that unregisters itself when destroyed).
class AboutCommandFilter : public QObject, public QAbstractNativeEventFilter {
public:
    AboutCommandFilter(QWidget& window, std::function<void()> onChosen)
        : QObject(&window),
          window_(reinterpret_cast<HWND>(window.winId())),
          onChosen_(std::move(onChosen)) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~AboutCommandFilter() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray&, void* message, qintptr* result) override {
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->hwnd != window_ || msg->message != WM_SYSCOMMAND) return false;
        if ((msg->wParam & 0xFFF0) != static_cast<WPARAM>(ids::kSysCommandAbout)) return false;
        onChosen_();
        // The event dispatcher filters posted messages, the system menu's
        // choice among them, without a result to fill.
        if (result != nullptr) *result = 0;
        return true;
    }

private:
    HWND window_;
    std::function<void()> onChosen_;
};

}  // namespace

bool SystemMenu::appendAboutItem(QWidget& window, const QString& text,
                                 std::function<void()> onChosen) {
    if (text.isEmpty()) return false;
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(window.winId()), FALSE);
    if (!menu) return false;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, ids::kSysCommandAbout, reinterpret_cast<LPCWSTR>(text.utf16()));
    new AboutCommandFilter(window, std::move(onChosen));
    return true;
}
