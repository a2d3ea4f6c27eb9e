// SPDX-License-Identifier: MIT
#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <ostream>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace uitest {

// Chooses `action` in the open `menu` as a user does (highlight, Enter), so
// the menu's exec() returns it.
inline void choose(QMenu& menu, QAction* action) {
    menu.setActiveAction(action);
    QTest::keyClick(&menu, Qt::Key_Return);
}

// Arranges for `inspect` to run on the next modal dialog once it is shown
// (polling every 10 ms for up to `timeoutMs`), then calls `open`, which is
// expected to run that dialog's loop. `inspect` may end the dialog.
inline void withNextModal(const std::function<void()>& open,
                          const std::function<void(QDialog&)>& inspect, int timeoutMs = 60000) {
    auto* poll = new QTimer;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(poll, &QTimer::timeout, [poll, inspect, clock, timeoutMs] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            poll->stop();
            poll->deleteLater();
            inspect(*dialog);
        } else if (clock.elapsed() > timeoutMs) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(10);
    open();
}

// Runs `inspect` on the next pop-up menu once it is shown, then calls `open`
// (which tracks the menu). `inspect` must close or trigger the menu.
inline void withNextMenu(const std::function<void()>& open,
                         const std::function<void(QMenu&)>& inspect) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, inspect] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu && menu->isVisible()) {
            poll->stop();
            poll->deleteLater();
            inspect(*menu);
        }
    });
    poll->start(10);
    open();
}

// Processes events until `done` holds or `timeoutMs` pass; returns `done()`.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 30000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

}  // namespace uitest
