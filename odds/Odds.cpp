#include "odds/Odds.h"

#include <cmath>
#include <memory>
#include <utility>

#include "dice/Orvik_Dice.h"
#include "host/RollRoutine.h"
#include "odds/Refusal.h"
#include "report/SneakAttack.h"

namespace orvik::odds {

namespace {

DicePart partOf(const Orvik_Dice& record) {
    return DicePart{record.nDice, record.nSides, record.modifier};
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

// The totals of the answers that are results. The module writes into the buffer it assumes the
// host has for text; a sentence that repeats recordText leaves that buffer, less the terminator
// and the sentence's fixed part, to the digits and signs of its totals.
void fill(Odds& odds, const char* text, const char* recordText, const DicePart& sneak) {
    odds.hostBuffer = host::assumedCapacity(text);
    const std::size_t fixed = Orvik_Dice::resultsLengthWithoutTotals(recordText, odds.groups);
    const std::int64_t budget =
        static_cast<std::int64_t>(odds.hostBuffer) - 1 - static_cast<std::int64_t>(fixed);
    odds.budget = budget;
    Results results = resultOdds(sneak, odds.roll, odds.groups, budget);
    odds.totals = std::move(results.totals);
    odds.sneakTotals = std::move(results.sneak);
    odds.mainTotals = std::move(results.main);
    odds.errorProbability = results.errorProbability;
    odds.tooLow = results.tooLow;
    odds.tooLong = results.tooLong;
    summarise(odds);
}

}  // namespace

Odds rollOdds(const char* text) {
    // The record's own parser and limits judge the text. Constructing it also rolls once, on this
    // process's copy of the generator, which nothing else here uses.
    const Orvik_Dice record(text);
    Odds odds;
    odds.groups = record.nGroups;
    odds.roll = partOf(record);
    fill(odds, text, record.diceCommands, DicePart{0, 1, 0});
    return odds;
}

Odds sneakOdds(const char* text) {
    const SneakAttackText split(text);
    // Built in the module's order, so that the first failure is the one it reports.
    const Orvik_Dice sneak(split.sneak());
    const Orvik_Dice main(split.main());

    Odds odds;
    odds.groups = main.nGroups;
    odds.roll = partOf(main);
    odds.sneak = true;
    odds.sneakDice = partOf(sneak);
    const std::unique_ptr<char[]> description(
        describeSneakAttack(sneak.diceCommands, main.diceCommands));
    fill(odds, text, description.get(), odds.sneakDice);
    return odds;
}

}  // namespace orvik::odds
