// The totals of dice, worked out once for every text that rolls the same dice. Texts of the same
// dice and groups differ only in their modifiers, which move the totals, and in their free
// texts, which decide which answers the buffer refuses: the dice's own chances, the costly part
// of their odds (a few milliseconds for a hundred d500), are the same for all of them.
#ifndef ORVIK_ODDS_SHAREDDICE_H
#define ORVIK_ODDS_SHAREDDICE_H

#include <cstddef>
#include <cstdint>
#include <list>
#include <unordered_map>
#include <vector>

#include "odds/Distribution.h"

namespace orvik::odds {

// The totals whose chances a SharedDice holds unless told otherwise (16 MB): a sneak attack of
// a hundred d500 on a main roll of as many has 99,801.
inline constexpr std::size_t kMostSharedTotals = std::size_t{1} << 21;

class SharedDice {
  public:
    // Holds the chances of at most mostTotals totals at once (8 bytes each), letting go of
    // those used longest ago to make room.
    explicit SharedDice(std::size_t mostTotals = kMostSharedTotals);
    // Its index points into its list: moved whole, never copied.
    SharedDice(const SharedDice&) = delete;
    SharedDice& operator=(const SharedDice&) = delete;
    SharedDice(SharedDice&&) = default;
    SharedDice& operator=(SharedDice&&) = default;
    ~SharedDice() = default;

    // The chances of the totals of first's dice and then second's, lowest first, exactly as
    // addDice gives them from the certain 0 (the modifiers only move them). Valid until the
    // next call. Throws std::bad_alloc.
    const std::vector<double>& chances(const DicePart& first, const DicePart& second);

    // The totals held.
    std::size_t held() const { return held_; }

    // Lets go of every chance held.
    void clear() noexcept {
        index_.clear();
        entries_.clear();
        held_ = 0;
    }

  private:
    struct Key {
        std::int32_t firstDice, firstSides, secondDice, secondSides;
        bool operator==(const Key& other) const {
            return firstDice == other.firstDice && firstSides == other.firstSides &&
                   secondDice == other.secondDice && secondSides == other.secondSides;
        }
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const;
    };
    struct Entry {
        Key key;
        std::vector<double> chances;
    };
    std::size_t most_;
    std::size_t held_ = 0;
    std::list<Entry> entries_;  // the one used last first
    std::unordered_map<Key, std::list<Entry>::iterator, KeyHash> index_;
};

// first and then second rolled, modifiers and all: from shared when it is given, otherwise
// worked out here. Throws std::bad_alloc.
Distribution rolled(const DicePart& first, const DicePart& second, SharedDice* shared);

}  // namespace orvik::odds

#endif  // ORVIK_ODDS_SHAREDDICE_H
