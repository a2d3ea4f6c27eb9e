// SPDX-License-Identifier: MIT
#include "engine/ui/CUpDownControl.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

#include <cstdlib>

CUpDownControl::CUpDownControl(QWidget* parent)
    : QWidget(parent), down_(new QToolButton(this)), up_(new QToolButton(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    down_->setArrowType(Qt::LeftArrow);
    up_->setArrowType(Qt::RightArrow);
    for (QToolButton* arrow : {down_, up_}) {
        arrow->setAutoRepeat(true);
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(arrow);
    }
    down_->setObjectName("downArrow");
    up_->setObjectName("upArrow");
    connect(down_, &QToolButton::clicked, this, [this] { step(false); });
    connect(up_, &QToolButton::clicked, this, [this] { step(true); });
}

void CUpDownControl::setBuddy(QLineEdit* buddy) {
    if (buddy_) buddy_->removeEventFilter(this);
    buddy_ = buddy;
    if (buddy_) buddy_->installEventFilter(this);
}

void CUpDownControl::setRange(int lower, int upper) {
    lower_ = lower;
    upper_ = upper;
}

int CUpDownControl::position() const {
    if (!buddy_) return 0;
    return std::atoi(buddy_->text().toLatin1().constData());
}

void CUpDownControl::step(bool up) {
    if (!buddy_) return;
    // With an inverted range "up" still means towards the upper bound.
    const bool ascending = lower_ <= upper_;
    const int delta = (up == ascending) ? 1 : -1;
    const int low = ascending ? lower_ : upper_;
    const int high = ascending ? upper_ : lower_;
    int next = position() + delta;
    if (next > high) next = low;
    if (next < low) next = high;
    buddy_->setText(QString::number(next));
}

bool CUpDownControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buddy_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            step(key == Qt::Key_Up);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
