// How often each total was seen, in memory bounded by the different totals seen rather than by
// their range: a log's few answers to a roll of thousands of totals (a lowest and a highest)
// take a few slots, where counts over the whole range would take hundreds of kilobytes.
#ifndef ORVIK_FEATURES_TOTALCOUNTS_H
#define ORVIK_FEATURES_TOTALCOUNTS_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvik::features {

// Counts kept in a hash table of the totals seen, or, once the totals seen lie so close together
// that it takes no more room, in an array over their range. Either way they take at most 64
// bytes for each different total seen (128 bytes at least), and never more than twice an array
// over the range seen would.
class TotalCounts {
  public:
    // Makes room to count each of the n totals, so that count() of any of them needs no memory.
    // Throws std::bad_alloc, and then leaves the counts as they were.
    void prepare(const std::int64_t* totals, std::size_t n);

    // One more of total, which prepare() made room for.
    void count(std::int64_t total);

    // The different totals counted.
    std::size_t different() const { return different_; }

    // The memory the counts take, in bytes.
    std::size_t bytes() const {
        return counts_.capacity() * sizeof(std::uint64_t) + table_.capacity() * sizeof(Slot);
    }

    // Hands each total counted and its count to each(total, count), in no particular order.
    template <typename Each>
    void each(Each each) const {
        for (std::size_t i = 0; i < counts_.size(); ++i) {
            if (counts_[i] > 0) each(first_ + static_cast<std::int64_t>(i), counts_[i]);
        }
        for (const Slot& slot : table_) {
            if (slot.count > 0) each(slot.total, slot.count);
        }
    }

  private:
    struct Slot {
        std::int64_t total = 0;
        std::uint64_t count = 0;  // 0: empty
    };
    // The count of total, or null when it has none yet.
    const std::uint64_t* find(std::int64_t total) const;
    // The table's slot for total: its own, or the empty one where it goes.
    static std::size_t slotOf(const std::vector<Slot>& table, std::int64_t total);

    // Exactly one of these holds the counts (neither, before the first).
    std::vector<std::uint64_t> counts_;  // of first_, first_ + 1, ...
    std::int64_t first_ = 0;
    std::vector<Slot> table_;  // a power of two in size, at most half full
    std::size_t different_ = 0;
    std::int64_t lowest_ = 0, highest_ = 0;  // of the totals counted, once there is one
};

}  // namespace orvik::features

#endif  // ORVIK_FEATURES_TOTALCOUNTS_H
