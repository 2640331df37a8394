#include "odds/SharedDice.h"

#include <utility>

namespace orvik::odds {

std::size_t SharedDice::KeyHash::operator()(const Key& key) const {
    std::size_t h = 0;
    for (const std::int32_t part : {key.firstDice, key.firstSides, key.secondDice, key.secondSides})
        h = h * 1000003u ^ std::hash<std::int32_t>{}(part);
    return h;
}

SharedDice::SharedDice(std::size_t mostTotals) : most_(mostTotals) {}

const std::vector<double>& SharedDice::chances(const DicePart& first, const DicePart& second) {
    // No dice are no dice, however many sides they are said to have.
    const Key key{first.dice, first.dice > 0 ? first.sides : 1, second.dice,
                  second.dice > 0 ? second.sides : 1};
    if (const auto at = index_.find(key); at != index_.end()) {
        entries_.splice(entries_.begin(), entries_, at->second);
        return entries_.front().chances;
    }
    Distribution totals;
    addDice(totals, first.dice, first.sides);
    addDice(totals, second.dice, second.sides);
    // Room for it, the oldest let go; one larger than the whole room is held alone.
    while (!entries_.empty() && held_ + totals.probability.size() > most_) {
        held_ -= entries_.back().chances.size();
        index_.erase(entries_.back().key);
        entries_.pop_back();
    }
    entries_.push_front(Entry{key, std::move(totals.probability)});
    try {
        index_.emplace(key, entries_.begin());
    } catch (...) {
        entries_.pop_front();
        throw;
    }
    held_ += entries_.front().chances.size();
    return entries_.front().chances;
}

Distribution rolled(const DicePart& first, const DicePart& second, SharedDice* shared) {
    Distribution out;
    if (shared == nullptr) {
        addPart(out, first);
        addPart(out, second);
        return out;
    }
    out.probability = shared->chances(first, second);
    out.lowest = lowestOf(first) + lowestOf(second);
    return out;
}

}  // namespace orvik::odds
