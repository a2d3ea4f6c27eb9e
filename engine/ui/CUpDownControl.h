// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// A horizontal up-down control with a buddy edit: the left arrow steps the
// position down, the right arrow up, and the up and down keys in the buddy do
// the same. Every step reads the position from the buddy's digits, moves it
// within the range (wrapping past either end to the other) and writes it back
// as plain decimal digits, so the buddy's textChanged is the change signal.
// An inverted range (lower bound above the upper) steps the other way round.
class CUpDownControl : public QWidget {
    Q_OBJECT
public:
    explicit CUpDownControl(QWidget* parent = nullptr);

    void setBuddy(QLineEdit* buddy);
    QLineEdit* buddy() const { return buddy_; }
    void setRange(int lower, int upper);
    int lower() const { return lower_; }
    int upper() const { return upper_; }

    // The position the buddy's text gives (atoi-like; 0 for no digits).
    int position() const;
    // One step towards the upper bound (`up`) or the lower bound.
    void step(bool up);

    QToolButton* downArrow() const { return down_; }
    QToolButton* upArrow() const { return up_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* down_;
    QToolButton* up_;
    QLineEdit* buddy_ = nullptr;
    int lower_ = 0;
    int upper_ = 100;
};
