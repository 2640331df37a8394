#include "odds/Odds.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
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

// One die's faces over the generator's outputs: the sums of count * face and count * face^2.
struct FaceSums {
    std::int64_t first = 0, second = 0;
};

FaceSums faceSums(std::int32_t sides, Faces faces) {
    FaceSums sums;
    for (std::int32_t face = 1; face <= sides; ++face) {
        // Ideal dice's faces each kOutputs / sides times: the same sums over sides outputs.
        const std::int64_t count = faces == Faces::Ideal ? 1 : faceCount(sides, face);
        sums.first += count * face;
        sums.second += count * face * face;
    }
    return sums;
}

// The exact mean and deviation of every total, none refused: each die's mean is first / 32768 and
// its variance (32768 second - first^2) / 32768^2, summed over independent dice. Within the
// module's limits (100 dice of 500 sides, twice with a sneak attack) both numerators are whole
// numbers below 2^53, so they convert exactly and the divisions by powers of two are exact: the
// mean and variance are exact, the deviation their correctly rounded root. Ideal dice count each
// face once in sides outputs: their mean is a whole number over 2, exact, and their variance is
// rounded once.
void exactMoments(Odds& odds, const DicePart& sneak) {
    double mean = 0.0, variance = 0.0;
    for (const DicePart& part : {odds.roll, sneak}) {
        const FaceSums sums = faceSums(part.sides, part.faces);
        const std::int64_t perDie = part.faces == Faces::Ideal ? part.sides : kOutputs;
        // Over perDie, and perDie^2.
        const std::int64_t first = part.dice * sums.first;
        const std::int64_t second = part.dice * (perDie * sums.second - sums.first * sums.first);
        mean += static_cast<double>(first) / static_cast<double>(perDie) + part.modifier;
        variance += static_cast<double>(second) / static_cast<double>(perDie * perDie);
    }
    odds.mean = mean;
    odds.standardDeviation = std::sqrt(variance);
}

// Mean and standard deviation, measured from the lowest total so that a huge modifier costs no
// digits; conditional on the totals kept, weighed by their chances, or where those are too small
// for a double by the same chances scaled. Some total is a result, so the weights never all
// round to 0.
void summarise(Odds& odds) {
    const std::vector<double>& p =
        odds.results.scaled.empty() ? odds.results.totals.probability : odds.results.scaled;
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

// The module writes into the buffer it assumes the host has for text; a sentence that repeats
// recordText leaves that buffer, less the terminator and the sentence's fixed part, to the digits
// and signs of its totals.
std::int64_t budgetOf(std::size_t hostBuffer, const char* recordText, std::int32_t groups) {
    const std::size_t fixed = Orvik_Dice::resultsLengthWithoutTotals(recordText, groups);
    return static_cast<std::int64_t>(hostBuffer) - 1 - static_cast<std::int64_t>(fixed);
}

// The totals of the answers that are results.
void fill(Odds& odds, const char* text, const char* recordText, const DicePart& sneak,
          SharedDice* shared) {
    odds.hostBuffer = host::assumedCapacity(text);
    const std::int64_t budget = budgetOf(odds.hostBuffer, recordText, odds.groups);
    odds.budget = budget;
    odds.results = resultOdds(sneak, odds.roll, odds.groups, budget, shared);
    // With nothing refusable the totals are every roll's, whose moments are known exactly.
    if (!odds.results.tooLow && !odds.results.tooLong)
        exactMoments(odds, sneak);
    else
        summarise(odds);
}

}  // namespace

Odds rollOdds(const char* text, SharedDice* shared) {
    // The record's own parser and limits judge the text; nothing is rolled.
    return rollOdds(text, parseRoll(text), shared);
}

Odds rollOdds(const char* text, const ParsedRoll& roll, SharedDice* shared) {
    Odds odds;
    odds.groups = roll.groups;
    odds.roll = partOf(roll);
    fill(odds, text, text, kNoDice, shared);
    return odds;
}

Odds withFaces(const Odds& odds, Faces faces) {
    Odds other = odds;
    toFaces(other, faces);
    return other;
}

void toFaces(Odds& odds, Faces faces) {
    if (odds.roll.faces == faces) return;
    odds.roll.faces = faces;
    odds.sneakDice.faces = faces;
    const DicePart sneak = odds.sneak ? odds.sneakDice : DicePart{0, 1, 0, faces};
    odds.results = resultOdds(sneak, odds.roll, odds.groups, odds.budget);
    if (!odds.results.tooLow && !odds.results.tooLong)
        exactMoments(odds, sneak);
    else
        summarise(odds);
}

Odds sneakOdds(const char* text, SharedDice* shared) {
    const SneakAttackText split(text);
    // Parsed in the module's order, so that the first failure is the one it reports.
    const ParsedRoll sneak = parseRoll(split.sneak());
    return sneakOdds(text, sneak, parseRoll(split.main()), shared);
}

Odds sneakOdds(const char* text, const ParsedRoll& sneak, const ParsedRoll& main,
               SharedDice* shared) {
    const SneakAttackText split(text);
    Odds odds;
    odds.groups = main.groups;
    odds.roll = partOf(main);
    odds.sneak = true;
    odds.sneakDice = partOf(sneak);
    const std::unique_ptr<char[]> description(describeSneakAttack(split.sneak(), split.main()));
    fill(odds, text, description.get(), odds.sneakDice, shared);
    return odds;
}

bool OddsKey::operator==(const OddsKey& other) const {
    const auto same = [](const DicePart& a, const DicePart& b) {
        return a.dice == b.dice && a.sides == b.sides && a.modifier == b.modifier;
    };
    return sneak == other.sneak && groups == other.groups && same(roll, other.roll) &&
           same(sneakDice, other.sneakDice) && budget == other.budget;
}

namespace {

OddsKey keyOf(const char* text, const char* recordText, bool sneak, const DicePart& sneakDice,
              const ParsedRoll& main) {
    OddsKey key;
    key.sneak = sneak;
    key.groups = main.groups;
    key.roll = partOf(main);
    key.sneakDice = sneakDice;
    const std::int64_t budget = budgetOf(host::assumedCapacity(text), recordText, main.groups);
    if (mayNotFit(sneakDice, key.roll, key.groups, budget)) key.budget = budget;
    return key;
}

}  // namespace

OddsKey rollKey(const char* text, const ParsedRoll& roll) {
    return keyOf(text, text, false, kNoDice, roll);
}

OddsKey sneakKey(const char* text, const ParsedRoll& sneak, const ParsedRoll& main) {
    const SneakAttackText split(text);
    const std::unique_ptr<char[]> description(describeSneakAttack(split.sneak(), split.main()));
    return keyOf(text, description.get(), true, partOf(sneak), main);
}

namespace {

// The running sums of p from one end, lowest index first when up. The sum of every chance can
// round above the chance of a result; that, and no more, is what the far end has. But when the
// error is the likelier answer, 1 - p_error keeps only the digits of p_error, and the sum itself
// tells a small chance of a result better.
std::vector<double> runningSums(const std::vector<double>& p, double errorProbability, bool up) {
    const bool capped = errorProbability <= 0.5;
    const double results = 1.0 - errorProbability;
    const std::size_t n = p.size();
    std::vector<double> out(n);
    double hi = 0.0, lo = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t i = up ? k : n - 1 - k;
        twoSum(hi, lo, p[i]);
        out[i] = capped ? std::min(hi + lo, results) : hi + lo;
    }
    if (capped && n > 0) out[up ? n - 1 : 0] = results;
    return out;
}

}  // namespace

std::vector<double> orMore(const std::vector<double>& p, double errorProbability) {
    // Summed from the top so that the small end stays exact.
    return runningSums(p, errorProbability, false);
}

std::vector<double> orLess(const std::vector<double>& p, double errorProbability) {
    return runningSums(p, errorProbability, true);
}

std::vector<double> atLeast(const Odds& odds) {
    return orMore(odds.results.totals.probability, odds.results.errorProbability);
}

std::vector<double> atMost(const Odds& odds) {
    return orLess(odds.results.totals.probability, odds.results.errorProbability);
}

}  // namespace orvik::odds
