// What the odds' tests share: exact counts of dice and every roll of a small text, with their
// chances, to hold the computed odds against; the module's answer to one text; and a chi-square
// test of many rolls against chances.
#ifndef ORVIK_TESTS_ODDS_TESTING_H
#define ORVIK_TESTS_ODDS_TESTING_H

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "dice/DiceError.h"
#include "dice/Orvik_Dice.h"
#include "host/RollRoutine.h"
#include "odds/Odds.h"
#include "random/DiceRandom.h"
#include "report/SneakAttack.h"

namespace orvik::testing {

inline constexpr double kOutputs = 32768.0;

// Counts out of 32768^count: up to four dice fit in 64 bits.
using Exact = std::uint64_t;

// Exact counts of each total out of 32768^count, convolving one face at a time.
inline std::vector<Exact> exactCounts(int count, int sides) {
    std::vector<Exact> counts{1};
    for (int d = 0; d < count; ++d) {
        std::vector<Exact> next(counts.size() + static_cast<std::size_t>(sides) - 1, 0);
        for (int face = 1; face <= sides; ++face) {
            const Exact ways = static_cast<Exact>(orvik::odds::faceCount(sides, face));
            for (std::size_t i = 0; i < counts.size(); ++i)
                next[i + static_cast<std::size_t>(face) - 1] += counts[i] * ways;
        }
        counts.swap(next);
    }
    return counts;
}

// Pearson's statistic of observed counts against the probabilities, pooling totals into bins
// expected at least 5 times. Returns the statistic and its degrees of freedom.
inline std::pair<double, int> chiSquare(const std::vector<long>& observed,
                                        const std::vector<double>& p, long samples) {
    double statistic = 0, expected = 0, seen = 0;
    int bins = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        expected += p[i] * static_cast<double>(samples);
        seen += static_cast<double>(observed[i]);
        if (expected >= 5 || i + 1 == p.size()) {
            statistic += (seen - expected) * (seen - expected) / expected;
            expected = seen = 0;
            ++bins;
        }
    }
    return {statistic, bins - 1};
}

// The value a chi-square statistic exceeds with chance 1e-4 (Wilson and Hilferty).
inline double criticalValue(int df) {
    const double z = 3.719, k = 2.0 / (9.0 * df);
    return df * std::pow(1 - k + z * std::sqrt(k), 3);
}

inline constexpr std::int64_t kLowest = std::numeric_limits<std::int32_t>::min();

inline std::string padded(const std::string& text, std::size_t pad) {
    return text + std::string(pad, 'x');
}

// What rolling the text answers, in a buffer as large as the module assumes the host's to be.
inline std::string rollOnce(const std::string& text, bool sneak) {
    std::vector<char> data(std::max(text.size() + 1, orvik::host::kMinHostBuffer), '\0');
    std::memcpy(data.data(), text.c_str(), text.size() + 1);
    const std::size_t capacity = orvik::host::assumedCapacity(data.data());
    if (sneak) {
        orvik::host::sneakAttack(data.data(), capacity);
    } else {
        orvik::host::diceMain(data.data(), capacity);
    }
    return data.data();
}

inline orvik::odds::Odds oddsOf(const std::string& text, bool sneak) {
    return sneak ? orvik::odds::sneakOdds(text.c_str()) : orvik::odds::rollOdds(text.c_str());
}

// A roll text, plain or a sneak attack.
struct TextCase {
    bool sneak;
    std::string text;
};

// Every roll of a small text, each with its exact count of generator outputs: each sneak total
// with every main total of every group, weighted by the faces' counts. A roll is a result when
// every combined total is in the range and the record's own sentence, with those totals, fits
// the buffer rolling assumes.
__extension__ typedef unsigned __int128 Wide;  // counts out of 32768^dice: up to 2^120

struct Roll {
    Wide count;                        // of 32768^dice outputs
    std::vector<std::int64_t> totals;  // every group's combined total
    bool result;
};

struct EveryRoll {
    int dice = 0;             // dice rolled in all, every group's and the sneak dice
    std::int64_t lowest = 0;  // of a combined total, result or not
    std::vector<Roll> rolls;

    long double chance(Wide count) const {
        return static_cast<long double>(count) / std::pow(32768.0L, dice);
    }
};

inline EveryRoll everyRoll(const std::string& text, bool sneak) {
    std::vector<Exact> sneakCounts{1};
    EveryRoll every;
    std::string mainText = text;
    if (sneak) {
        const std::size_t space = text.find(' ');
        const Orvik_Dice extra(text.substr(0, space).c_str());
        sneakCounts = exactCounts(extra.nDice, extra.nSides);
        every.dice = extra.nDice;
        every.lowest = extra.nDice + extra.modifier;
        mainText = text.substr(space + 1);
    }
    const Orvik_Dice main(mainText.c_str());
    const std::vector<Exact> mainCounts = exactCounts(main.nDice, main.nSides);
    every.dice += main.nDice * main.nGroups;
    every.lowest += main.nDice + main.modifier;
    // A record to measure sentences with: the module's own, for any roll that is a result.
    Orvik_Dice record(sneak ? mainText.c_str() : text.c_str());
    for (std::uint32_t seed = 1; sneak; ++seed) {
        orvik::seedRandom(seed);
        try {
            const Orvik_Dice combined = orvik::makeSneakAttack(text.c_str());
            delete[] record.diceCommands;
            const std::size_t length = std::strlen(combined.diceCommands) + 1;
            record.diceCommands = new char[length];
            std::memcpy(record.diceCommands, combined.diceCommands, length);
            break;
        } catch (const orvik::DiceError&) {
        }
    }
    const std::size_t capacity = orvik::host::assumedCapacity(text.c_str());

    const auto groups = static_cast<std::size_t>(main.nGroups);
    std::vector<std::size_t> face(groups, 0);  // each group's main total, from its lowest
    for (std::size_t s = 0; s < sneakCounts.size(); ++s) {
        std::fill(face.begin(), face.end(), 0);
        for (;;) {
            Roll roll{sneakCounts[s], std::vector<std::int64_t>(groups), true};
            for (std::size_t g = 0; g < groups; ++g) {
                roll.count *= mainCounts[face[g]];
                const std::int64_t total = every.lowest + static_cast<std::int64_t>(s + face[g]);
                roll.totals[g] = total;
                roll.result = roll.result && total >= kLowest;
                record.results[g] = static_cast<std::int32_t>(std::max(total, kLowest));
            }
            roll.result = roll.result && record.resultsLength() + 1 <= capacity;
            every.rolls.push_back(std::move(roll));
            std::size_t g = 0;
            while (g < groups && ++face[g] == mainCounts.size())
                face[g++] = 0;
            if (g == groups) break;
        }
    }
    return every;
}

}  // namespace orvik::testing

#endif  // ORVIK_TESTS_ODDS_TESTING_H
