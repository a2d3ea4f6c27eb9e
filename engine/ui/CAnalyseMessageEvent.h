// SPDX-License-Identifier: MIT
#pragma once

#include <QEvent>

#include <cstdint>

#include "engine/IMessageTarget.h"

// A message of the analysis worker, queued for the dialog's thread. When it
// carries a progress block the event owns it: the receiver takes it with
// takeBlock(), and an event that is never delivered (its receiver destroyed
// first) frees the block with itself.
class CAnalyseMessageEvent : public QEvent {
public:
    static QEvent::Type eventType() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    CAnalyseMessageEvent(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
        : QEvent(eventType()), message_(message), wParam_(wParam), lParam_(lParam) {}
    ~CAnalyseMessageEvent() override { delete[] takeBlock(); }
    CAnalyseMessageEvent(const CAnalyseMessageEvent&) = delete;
    CAnalyseMessageEvent& operator=(const CAnalyseMessageEvent&) = delete;

    unsigned message() const { return message_; }
    std::uintptr_t wParam() const { return wParam_; }
    std::intptr_t lParam() const { return lParam_; }
    bool carriesBlock() const {
        return message_ == WM_ANALYSE_INFO && lParam_ == kInfoProgressBlock;
    }

    // The progress block, now owned by the caller (free with delete[]); null
    // when the message carries none or it was taken already.
    char* takeBlock() {
        if (!carriesBlock() || wParam_ == 0) return nullptr;
        char* block = reinterpret_cast<char*>(wParam_);
        wParam_ = 0;
        return block;
    }

private:
    unsigned message_;
    std::uintptr_t wParam_;
    std::intptr_t lParam_;
};
