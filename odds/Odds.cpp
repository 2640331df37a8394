#include "odds/Odds.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>
#include <string>

#include "dice/Orvik_Dice.h"
#include "report/SneakAttack.h"

namespace orvik::odds {

namespace {

DicePart partOf(const Orvik_Dice& record) {
    return DicePart{record.nDice, record.nSides, record.modifier};
}

void addPart(Distribution& totals, const DicePart& part) {
    addDice(totals, part.dice, part.sides);
    addModifier(totals, part.modifier);
}

// Mean and standard deviation, measured from the lowest total so that a huge modifier costs no
// digits; conditional on the totals kept.
void summarise(Odds& odds) {
    const std::vector<double>& p = odds.totals.probability;
    double mass = 0.0, first = 0.0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        mass += p[i];
        first += p[i] * static_cast<double>(i);
    }
    const double mean = first / mass;
    double second = 0.0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const double d = static_cast<double>(i) - mean;
        second += p[i] * d * d;
    }
    odds.mean = static_cast<double>(odds.totals.lowest) + mean;
    odds.standardDeviation = std::sqrt(second / mass);
}

}  // namespace

Odds rollOdds(const char* text) {
    // The record's own parser and limits judge the text. Constructing it also rolls once, on this
    // process's copy of the generator, which nothing else here uses.
    const Orvik_Dice record(text);
    Odds odds;
    odds.groups = record.nGroups;
    odds.roll = partOf(record);
    addPart(odds.totals, odds.roll);
    summarise(odds);
    return odds;
}

Odds sneakOdds(const char* text) {
    const char* space = std::strchr(text, ' ');
    if (space == nullptr) throw DiceError(kInvalidSneakFormat);
    // Built in the module's order, so that the first failure is the one it reports.
    const std::string sneakText(text, static_cast<std::size_t>(space - text));
    const Orvik_Dice sneak(sneakText.c_str());
    const Orvik_Dice main(space + 1);

    Odds odds;
    odds.groups = main.nGroups;
    odds.roll = partOf(main);
    odds.sneak = true;
    odds.sneakDice = partOf(sneak);
    addPart(odds.totals, odds.sneakDice);
    addPart(odds.totals, odds.roll);

    // The module refuses a combined total below the 32-bit range.
    constexpr std::int64_t kLowest = std::numeric_limits<std::int32_t>::min();
    Distribution& totals = odds.totals;
    if (totals.highest() < kLowest) throw DiceError(kInvalidArguments);
    if (totals.lowest < kLowest) {
        const auto cut = static_cast<std::ptrdiff_t>(kLowest - totals.lowest);
        auto& p = totals.probability;
        odds.errorProbability = std::accumulate(p.begin(), p.begin() + cut, 0.0);
        p.erase(p.begin(), p.begin() + cut);
        totals.lowest = kLowest;
        // A result so unlikely that its chance is below the smallest double is no result.
        if (std::accumulate(p.begin(), p.end(), 0.0) == 0.0) throw DiceError(kInvalidArguments);
    }
    summarise(odds);
    return odds;
}

}  // namespace orvik::odds
