// SPDX-License-Identifier: MIT
#include "results/GroupTable.h"

#include <algorithm>
#include <functional>

namespace {

constexpr std::size_t kFirstLookupSize = 64;

}  // namespace

void GroupTable::append(std::string_view fnum, std::string_view mask, std::string_view fname) {
    Entry entry;
    entry.text.reset(new char[fnum.size() + mask.size() + fname.size()]);
    char* end = std::copy(fnum.begin(), fnum.end(), entry.text.get());
    end = std::copy(mask.begin(), mask.end(), end);
    std::copy(fname.begin(), fname.end(), end);
    // SQLite caps a text at 1e9 bytes, so a length always fits 32 bits.
    entry.fnumLength = static_cast<std::uint32_t>(fnum.size());
    entry.maskLength = static_cast<std::uint32_t>(mask.size());
    entry.fnameLength = static_cast<std::uint32_t>(fname.size());
    rows_.push_back(std::move(entry));
    insertIntoLookup(size() - 1);
}

void GroupTable::clear() {
    std::vector<Entry>().swap(rows_);
    std::vector<Slot>().swap(slots_);
    used_ = 0;
}

GroupTable::Row GroupTable::row(int index) const {
    return Row{std::string(fnum(index)), std::string(mask(index)), std::string(fname(index))};
}

std::string_view GroupTable::fnum(int index) const {
    const Entry& entry = rows_[static_cast<std::size_t>(index)];
    return std::string_view(entry.text.get(), entry.fnumLength);
}

std::string_view GroupTable::mask(int index) const {
    const Entry& entry = rows_[static_cast<std::size_t>(index)];
    return std::string_view(entry.text.get() + entry.fnumLength, entry.maskLength);
}

std::string_view GroupTable::fname(int index) const {
    const Entry& entry = rows_[static_cast<std::size_t>(index)];
    return std::string_view(entry.text.get() + entry.fnumLength + entry.maskLength,
                            entry.fnameLength);
}

int GroupTable::find(std::string_view mask) const {
    if (slots_.empty()) return -1;
    return slots_[slotOf(mask, std::hash<std::string_view>{}(mask))].group;
}

// The slot that holds `mask`'s group, or the empty slot where it would go.
// Linear probing; the table is never more than half full, so a probe ends.
std::size_t GroupTable::slotOf(std::string_view mask, std::size_t hash) const {
    const std::size_t last = slots_.size() - 1;
    std::size_t slot = hash & last;
    for (;;) {
        const Slot& probe = slots_[slot];
        if (probe.group < 0 ||
            (probe.hash == hash && std::string_view(probe.mask, probe.maskLength) == mask))
            return slot;
        slot = (slot + 1) & last;
    }
}

void GroupTable::insertIntoLookup(int index) {
    if ((used_ + 1) * 2 > slots_.size()) growLookup();
    const std::string_view text = mask(index);
    const std::size_t hash = std::hash<std::string_view>{}(text);
    Slot& slot = slots_[slotOf(text, hash)];
    if (slot.group < 0) ++used_;
    // A repeated MASK now names the later group.
    slot = Slot{hash, text.data(), static_cast<std::uint32_t>(text.size()), index};
}

// Doubles the table; the stored hashes place every group again without
// reading a row.
void GroupTable::growLookup() {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? kFirstLookupSize : old.size() * 2, Slot{0, nullptr, 0, -1});
    const std::size_t last = slots_.size() - 1;
    for (const Slot& moved : old) {
        if (moved.group < 0) continue;
        std::size_t slot = moved.hash & last;
        while (slots_[slot].group >= 0) slot = (slot + 1) & last;
        slots_[slot] = moved;
    }
}
