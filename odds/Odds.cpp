#include "odds/Odds.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "dice/Orvik_Dice.h"
#include "dice/Parse.h"
#include "host/RollRoutine.h"
#include "report/SneakAttack.h"

namespace orvik::odds {

namespace {

DicePart partOf(const ParsedRoll& roll) {
    return DicePart{roll.dice, roll.sides, roll.modifier};
}

// Mean and standard deviation, measured from the lowest total so that a huge modifier costs no
// digits; conditional on the totals kept.
void summarise(Odds& odds) {
    const std::vector<double>& p = odds.results.totals.probability;
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
    odds.mean = static_cast<double>(odds.results.totals.lowest) + mean;
    odds.standardDeviation = std::sqrt(second / mass);
}

// The totals of the answers that are results. The module writes into the buffer it assumes the
// host has for text; a sentence that repeats recordText leaves that buffer, less the terminator
// and the sentence's fixed part, to the digits and signs of its totals.
void fill(Odds& odds, const char* text, const char* recordText, const DicePart& sneak) {
    odds.hostBuffer = host::assumedCapacity(text);
    const std::size_t fixed = Orvik_Dice::resultsLengthWithoutTotals(recordText, odds.groups);
    const std::int64_t budget =
        static_cast<std::int64_t>(odds.hostBuffer) - 1 - static_cast<std::int64_t>(fixed);
    odds.budget = budget;
    odds.results = resultOdds(sneak, odds.roll, odds.groups, budget);
    summarise(odds);
}

}  // namespace

Odds rollOdds(const char* text) {
    // The record's own parser and limits judge the text; nothing is rolled.
    const ParsedRoll roll = parseRoll(text);
    Odds odds;
    odds.groups = roll.groups;
    odds.roll = partOf(roll);
    fill(odds, text, text, DicePart{0, 1, 0});
    return odds;
}

Odds sneakOdds(const char* text) {
    const SneakAttackText split(text);
    // Parsed in the module's order, so that the first failure is the one it reports.
    const ParsedRoll sneak = parseRoll(split.sneak());
    const ParsedRoll main = parseRoll(split.main());

    Odds odds;
    odds.groups = main.groups;
    odds.roll = partOf(main);
    odds.sneak = true;
    odds.sneakDice = partOf(sneak);
    const std::unique_ptr<char[]> description(describeSneakAttack(split.sneak(), split.main()));
    fill(odds, text, description.get(), odds.sneakDice);
    return odds;
}

std::vector<double> orMore(const std::vector<double>& p, double errorProbability) {
    // Summed from the top so that the small end stays exact. The sum of every chance can round
    // above the chance of a result; that, and no more, is what the first entry or more has. But
    // when the error is the likelier answer, 1 - p_error keeps only the digits of p_error, and
    // the sum itself tells a small chance of a result better.
    const bool capped = errorProbability <= 0.5;
    const double results = 1.0 - errorProbability;
    std::vector<double> out(p.size());
    double hi = 0.0, lo = 0.0;
    for (std::size_t i = p.size(); i-- > 0;) {
        twoSum(hi, lo, p[i]);
        out[i] = capped ? std::min(hi + lo, results) : hi + lo;
    }
    if (capped && !out.empty()) out[0] = results;
    return out;
}

std::vector<double> atLeast(const Odds& odds) {
    return orMore(odds.results.totals.probability, odds.results.errorProbability);
}

}  // namespace orvik::odds
