#include "features/TotalCounts.h"

#include <algorithm>

namespace orvik::features {

namespace {

// The fewest slots a table has.
constexpr std::size_t kFewestSlots = 8;

std::size_t hashOf(std::int64_t total) {
    // The totals seen are often neighbours: mixed, so that they do not crowd one run of slots.
    auto x = static_cast<std::uint64_t>(total);
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    return static_cast<std::size_t>(x);
}

}  // namespace

std::size_t TotalCounts::slotOf(const std::vector<Slot>& table, std::int64_t total) {
    const std::size_t mask = table.size() - 1;
    for (std::size_t i = hashOf(total) & mask;; i = (i + 1) & mask) {
        if (table[i].count == 0 || table[i].total == total) return i;
    }
}

const std::uint64_t* TotalCounts::find(std::int64_t total) const {
    if (!counts_.empty()) {
        if (total < first_ || total - first_ >= static_cast<std::int64_t>(counts_.size()))
            return nullptr;
        const std::uint64_t& held = counts_[static_cast<std::size_t>(total - first_)];
        return held > 0 ? &held : nullptr;
    }
    if (table_.empty()) return nullptr;
    const Slot& slot = table_[slotOf(table_, total)];
    return slot.count > 0 ? &slot.count : nullptr;
}

void TotalCounts::prepare(const std::int64_t* totals, std::size_t n) {
    // Most answers fit what is there: told without reading a count, which is seldom in cache.
    if (!counts_.empty()) {
        const auto size = static_cast<std::int64_t>(counts_.size());
        bool inside = true;
        for (std::size_t k = 0; k < n && inside; ++k)
            inside = totals[k] >= first_ && totals[k] - first_ < size;
        if (inside) return;
    } else if (2 * (different_ + n) <= table_.size()) {
        return;
    }
    // The totals not counted yet, each once, and the range of all.
    std::size_t fresh = 0;
    std::int64_t low = lowest_;
    std::int64_t high = highest_;
    for (std::size_t k = 0; k < n; ++k) {
        const std::int64_t total = totals[k];
        if (find(total) != nullptr || std::find(totals, totals + k, total) != totals + k) continue;
        if (different_ == 0 && fresh == 0) low = high = total;
        low = std::min(low, total);
        high = std::max(high, total);
        ++fresh;
    }
    if (fresh == 0) return;
    std::size_t slots = kFewestSlots;
    while (slots < 2 * (different_ + fresh))
        slots *= 2;
    const std::uint64_t range = static_cast<std::uint64_t>(high - low) + 1;
    if (range <= 2 * slots) {
        // An array over the range takes no more room than the table would.
        const auto size = static_cast<std::int64_t>(counts_.size());
        if (size > 0 && low >= first_ && high < first_ + size) return;
        // With as much room again to grow into, on the side it grows, as long as that takes no
        // more than the table either: a range that grows a total at a time is copied seldom.
        const std::uint64_t room = std::max(range, std::min<std::uint64_t>(2 * range, 2 * slots));
        const std::int64_t first =
            size > 0 && low < first_ ? high - static_cast<std::int64_t>(room) + 1 : low;
        std::vector<std::uint64_t> counts(static_cast<std::size_t>(room), 0);
        each([&](std::int64_t total, std::uint64_t count) {
            counts[static_cast<std::size_t>(total - first)] = count;
        });
        counts_.swap(counts);
        first_ = first;
        std::vector<Slot>().swap(table_);
        return;
    }
    if (table_.size() >= slots) return;
    std::vector<Slot> table(slots);
    each([&](std::int64_t total, std::uint64_t count) {
        table[slotOf(table, total)] = {total, count};
    });
    table_.swap(table);
    std::vector<std::uint64_t>().swap(counts_);
}

void TotalCounts::count(std::int64_t total) {
    std::uint64_t* count = nullptr;
    if (!counts_.empty() && total >= first_ &&
        total - first_ < static_cast<std::int64_t>(counts_.size())) {
        count = &counts_[static_cast<std::size_t>(total - first_)];
    } else {
        Slot& slot = table_[slotOf(table_, total)];
        slot.total = total;
        count = &slot.count;
    }
    if ((*count)++ > 0) return;
    lowest_ = different_ == 0 ? total : std::min(lowest_, total);
    highest_ = different_ == 0 ? total : std::max(highest_, total);
    ++different_;
}

}  // namespace orvik::features
