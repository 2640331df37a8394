// The odds of a roll text: exact totals, their moments, the texts the module refuses, and the
// module's own rolls against the computed distribution.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

#include "odds/Odds.h"
#include "odds/SharedDice.h"
#include "odds_testing.h"
#include "print/OddsPrint.h"
#include "testing.h"

namespace {

using namespace orvik::testing;
using orvik::odds::Distribution;

// 9-20 1638; d3 faces 1-2 10923, 3 10922.
TEST(Odds, SmallRollsByHand) {
    const double d6hi = 5462, d6lo = 5461, d20hi = 1639, d20lo = 1638, all2 = kOutputs * kOutputs;
    struct Case {
        const char* text;
        std::int64_t total;
        double probability;
    } cases[] = {
        {"d6", 1, d6hi / kOutputs},
        {"d6", 6, d6lo / kOutputs},
        {"d3", 1, 10923 / kOutputs},
        {"d3", 2, 10923 / kOutputs},
        {"d3", 3, 10922 / kOutputs},
        {"2d6", 2, d6hi * d6hi / all2},
        {"2d6", 7, (4 * d6hi * d6lo + 2 * d6lo * d6lo) / all2},  // 1+6, 2+5 and 3+4, both ways
        {"2d6", 12, d6lo * d6lo / all2},
        {"d20+5*2", 12, d20hi * d20hi / all2},  // two d20 and +10
        {"d20+5*2", 13, 2 * d20hi * d20hi / all2},
        // 20 = 1+19 ... 19+1: 16 pairs of a low and a high face, 9+11, 10+10, 11+9 both high
        {"d20+5*2", 30, (16 * d20hi * d20lo + 3 * d20lo * d20lo) / all2},
        {"d20+5*2", 50, d20lo * d20lo / all2},
        {"d1-7", -6, 1.0},
    };
    for (const Case& c : cases) {
        const Distribution totals = orvik::odds::rollOdds(c.text).results.totals;
        ASSERT_TRUE(c.total >= totals.lowest && c.total <= totals.highest()) << c.text;
        const double p = totals.probability[static_cast<std::size_t>(c.total - totals.lowest)];
        EXPECT_NEAR(p, c.probability, 1e-16) << c.text << " total " << c.total;
    }
    const orvik::odds::Odds d20 = orvik::odds::rollOdds("d20+5*2");
    EXPECT_EQ(d20.results.totals.lowest, 12);
    EXPECT_EQ(d20.results.totals.highest(), 50);
}

// The moments of a sum of faces, from the face counts alone.
TEST(Odds, MeanAndDeviationMatchTheFaces) {
    struct Case {
        const char* text;
        int dice, sides;
        double modifier;
    } cases[] = {{"100d500", 100, 500, 0},
                 {"3#2d6+3*2", 4, 6, 6},
                 {"d20-2147483647-1", 1, 20, -2147483648.0}};
    for (const Case& c : cases) {
        double mean = 0, square = 0;
        for (int f = 1; f <= c.sides; ++f) {
            const double p = orvik::odds::faceCount(c.sides, f) / kOutputs;
            mean += f * p;
            square += f * f * p;
        }
        const orvik::odds::Odds odds = orvik::odds::rollOdds(c.text);
        EXPECT_NEAR(odds.mean, c.modifier + c.dice * mean, 1e-9 * (1 + std::fabs(odds.mean)))
            << c.text;
        EXPECT_NEAR(odds.standardDeviation, std::sqrt(c.dice * (square - mean * mean)), 1e-9)
            << c.text;
    }
    EXPECT_EQ(orvik::odds::rollOdds("3#2d6+3*2").groups, 3);
}

// The mean and deviation where nothing is refused, to the last bit: the face counts' exact sums
// in integers, over 32768 per die, each rounded once.
TEST(Odds, MeanAndDeviationAreExact) {
    struct Part {
        long long dice, sides, modifier;
    };
    struct Case {
        bool sneak;
        const char* text;
        Part main, sneakPart;
    } cases[] = {
        {false, "06d259-779", {6, 259, -779}, {0, 1, 0}},
        {false, "d6", {1, 6, 0}, {0, 1, 0}},
        {false, "3d6+1", {3, 6, 1}, {0, 1, 0}},
        {false, "100d500", {100, 500, 0}, {0, 1, 0}},
        {false, "5#83d6-74", {83, 6, -74}, {0, 1, 0}},
        {true, "3d7+2 2#4d12-30*3", {12, 12, -90}, {3, 7, 2}},  // the multiplier takes the dice too
    };
    for (const Case& c : cases) {
        long long meanNumerator = 0, varianceNumerator = 0;  // over 32768 and 32768^2
        for (const Part& part : {c.main, c.sneakPart}) {
            long long first = 0, second = 0;
            for (long long f = 1; f <= part.sides; ++f) {
                // 32768 outputs modulo the sides: the lowest 32768 % sides faces once more.
                const long long count = 32768 / part.sides + (f <= 32768 % part.sides ? 1 : 0);
                first += count * f;
                second += count * f * f;
            }
            meanNumerator += part.dice * first + part.modifier * 32768;
            varianceNumerator += part.dice * (32768 * second - first * first);
        }
        const orvik::odds::Odds odds = oddsOf(c.text, c.sneak);
        ASSERT_EQ(odds.results.errorProbability, 0.0) << c.text;
        EXPECT_EQ(odds.mean, static_cast<double>(meanNumerator) / 32768.0) << c.text;
        EXPECT_EQ(odds.standardDeviation,
                  std::sqrt(static_cast<double>(varianceNumerator) / (32768.0 * 32768.0)))
            << c.text;
    }
    EXPECT_EQ(orvik::odds::rollOdds("06d259-779").mean, -0.53350830078125);
}

// One group's total among the results, worked out plainly in long double, whose range holds
// chances far below a double's: groups independent totals of dice dice of sides sides plus
// modifier (sneak dice counted in, for one group), a result when their texts take at most budget
// characters together. Only the totals lowest to highest are rolled, counted from whichever end
// of the dice is nearer: no other total is part of any result.
struct Moments {
    long double mean, deviation;
};

Moments resultMoments(int groups, int dice, int sides, std::int64_t modifier, std::int64_t budget,
                      std::int64_t lowest, std::int64_t highest) {
    const std::int64_t least = modifier + dice;  // every die's lowest face
    const std::int64_t most = modifier + static_cast<std::int64_t>(dice) * sides;
    const bool top = most - lowest < highest - least;
    const auto extent = static_cast<std::size_t>(top ? most - lowest : highest - least);
    // ways[k]: the chance of k pips beyond every die's lowest face (from the top: below its
    // highest), k up to extent.
    const auto faces = static_cast<std::size_t>(sides);
    std::vector<long double> ways{1.0L};
    for (int d = 0; d < dice; ++d) {
        std::vector<long double> next(std::min(extent, ways.size() - 1 + faces - 1) + 1, 0.0L);
        for (std::size_t f = 0; f < faces; ++f) {
            const auto face = static_cast<std::int32_t>(top ? faces - f : f + 1);
            const long double chance = orvik::odds::faceCount(sides, face) / 32768.0L;
            for (std::size_t k = 0; k < ways.size() && k + f < next.size(); ++k)
                next[k + f] += ways[k] * chance;
        }
        ways.swap(next);
    }
    std::vector<long double> chance;  // of lowest + i
    std::vector<long double> byLength(12, 0.0L);
    for (std::int64_t t = lowest; t <= highest; ++t) {
        const std::int64_t k = top ? most - t : t - least;
        chance.push_back(ways[static_cast<std::size_t>(k)]);
        byLength[std::to_string(t).size()] += chance.back();
    }
    std::vector<long double> others{1.0L};  // the other groups' texts, by their length together
    for (int g = 1; g < groups; ++g) {
        std::vector<long double> next(others.size() + 11, 0.0L);
        for (std::size_t e = 0; e < others.size(); ++e) {
            for (std::size_t L = 1; L < byLength.size(); ++L)
                next[e + L] += others[e] * byLength[L];
        }
        others.swap(next);
    }
    long double mass = 0, first = 0, second = 0;
    for (std::size_t i = 0; i < chance.size(); ++i) {
        const auto room =
            budget -
            static_cast<std::int64_t>(std::to_string(lowest + static_cast<std::int64_t>(i)).size());
        long double fit = 0;
        for (std::int64_t e = 0; e <= room && e < static_cast<std::int64_t>(others.size()); ++e)
            fit += others[static_cast<std::size_t>(e)];
        const long double w = chance[i] * fit;
        mass += w;
        first += w * static_cast<long double>(i);
        second += w * static_cast<long double>(i) * static_cast<long double>(i);
    }
    const long double mean = first / mass;
    return {static_cast<long double>(lowest) + mean, std::sqrt(second / mass - mean * mean)};
}

// A roll that can give a result gets its odds, and its mean and deviation, however far below the
// smallest double every result's chance: thirty totals of 9, the only sentence that fits; 200
// dice showing 500, the one combined total in range, or nearly so; thirty groups whose texts
// must all, or most of them, be short; a sneak attack's total with a text as short as its
// lowest totals'; and groups of which some must be short.
TEST(Odds, ResultsBelowTheSmallestDouble) {
    struct Case {
        bool sneak;
        std::string text;
        std::int64_t lowest, highest;
        int dice, sides;  // of a group, sneak dice included
        std::int64_t modifier;
    } cases[] = {
        {false, padded("30#14d6-5 ", 396), 9, 9, 14, 6, -5},
        {true, "100d500-2147483647-1 100d500-100000", kLowest, kLowest, 200, 500, kLowest - 100000},
        {true, "100d500-2147483647-1 100d500-99990", kLowest, kLowest + 10, 200, 500,
         kLowest - 99990},
        {false, padded("30#20d6-15 ", 395), 5, 9, 20, 6, -15},
        {false, padded("30#87d6 ", 346), 87, 522, 87, 6, 0},
        {false, padded("30#87d6 ", 367), 87, 522, 87, 6, 0},
        {false, padded("30#87d6 ", 368), 87, 99, 87, 6, 0},
        {true, padded("100d500 100d500 ", 456), 200, 999, 200, 500, 0},
        // Not every chance: those that round to 0 on the way were once lost from the sums.
        {false, padded("13#34d50+6 ", 430), 40, 1706, 34, 50, 6},
    };
    for (const Case& c : cases) {
        const std::string name = c.text.substr(0, 24) + " (" + std::to_string(c.text.size()) + ")";
        const orvik::odds::Odds odds = oddsOf(c.text, c.sneak);
        EXPECT_GE(odds.results.errorProbability, 1.0 - 1e-15) << name;
        EXPECT_EQ(odds.results.totals.lowest, c.lowest) << name;
        EXPECT_EQ(odds.results.totals.highest(), c.highest) << name;
        const Moments want = resultMoments(odds.groups, c.dice, c.sides, c.modifier, odds.budget,
                                           c.lowest, c.highest);
        // To 1e-12 of the totals' span, or the last digits of a mean near -2^31.
        const double tolerance =
            1e-12 * static_cast<double>(c.highest - c.lowest + 1) +
            4 * std::numeric_limits<double>::epsilon() * std::fabs(static_cast<double>(want.mean));
        EXPECT_NEAR(odds.mean, static_cast<double>(want.mean), tolerance) << name;
        EXPECT_NEAR(odds.standardDeviation, static_cast<double>(want.deviation),
                    1e-10 * static_cast<double>(want.deviation) + tolerance)
            << name;
        const std::string json = orvik::print::oddsJson(c.text, odds);
        const std::string text = orvik::print::oddsText(c.text, odds);
        EXPECT_EQ(json.find("nan"), std::string::npos) << json.substr(0, 300);
        EXPECT_EQ(json.find("null"), std::string::npos) << json.substr(0, 300);
        EXPECT_EQ(text.find("nan"), std::string::npos) << text;
        EXPECT_EQ(text.find("not known"), std::string::npos) << text;
    }
}

TEST(Odds, SneakAttackAddsTheSneakDiceOnce) {
    const orvik::odds::Odds odds = orvik::odds::sneakOdds("3d6 2#d8+2");
    EXPECT_EQ(odds.groups, 2);
    EXPECT_EQ(odds.results.totals.lowest, 6);
    ASSERT_EQ(odds.results.totals.highest(), 28);
    // 3d6 and d8, counted exactly, with the d8's faces over 32768 each.
    const std::vector<Exact> sneak = exactCounts(3, 6), main = exactCounts(1, 8);
    for (std::size_t t = 0; t < odds.results.totals.probability.size(); ++t) {
        Exact ways = 0;
        for (std::size_t a = 0; a < sneak.size(); ++a)
            if (t >= a && t - a < main.size()) ways += sneak[a] * main[t - a];
        const double exact = static_cast<double>(ways) / std::ldexp(1.0, 60);
        EXPECT_NEAR(odds.results.totals.probability[t], exact, exact * 1e-14) << "total " << t + 6;
    }
}

TEST(Odds, TotalsBelowTheIntegerRangeAreTheModulesError) {
    // d6 + d6 - 2^31 - 3 is below -2^31 only when both dice show 1.
    const orvik::odds::Odds odds = orvik::odds::sneakOdds("d6-2147483647-1 d6-3");
    const double p2 = 5462.0 * 5462 / (kOutputs * kOutputs);
    EXPECT_NEAR(odds.results.errorProbability, p2, 1e-16);
    EXPECT_EQ(odds.results.totals.lowest, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(odds.results.totals.highest(),
              std::int64_t{std::numeric_limits<std::int32_t>::min()} + 9);
    EXPECT_EQ(odds.sneakDice.modifier, std::numeric_limits<std::int32_t>::min());
}

// The odds refuse exactly what the module refuses, with its messages.
TEST(Odds, RefusedTexts) {
    const std::string tooLong = padded("30#14d6-5 ", 397);
    struct Case {
        bool sneak;
        const char* text;
        const char* message;
    } cases[] = {
        {false, "d6x", kInvalid},
        {false, "", kInvalid},
        {false, "101d6", kDice},
        {false, "d501", kSides},
        {false, "31#d6", kGroups},
        {false, "d6+600*2", kModifier},
        {false, "d6*6*6", kMultiplier},
        {false, "d20 roll #1", kInvalid},
        {true, "3d6", kSneakFormat},
        {true, " d8", kInvalid},
        {true, "3d6 ", kInvalid},
        {true, "101d6 d501", kDice},
        {true, "3d6 d501", kSides},
        {true, "d1-2147483647-1 d1-2147483647-1", kInvalid},
        // Thirty totals of 9, the shortest, leave one character too few: no roll fits. (With one
        // letter less every die showing 1 fits: see ResultsBelowTheSmallestDouble.)
        {false, tooLong.c_str(), kInvalid},
    };
    for (const Case& c : cases) {
        try {
            c.sneak ? orvik::odds::sneakOdds(c.text) : orvik::odds::rollOdds(c.text);
            ADD_FAILURE() << '"' << c.text << "\" was accepted";
        } catch (const orvik::DiceError& error) {
            EXPECT_STREQ(error.what(), c.message) << '"' << c.text << '"';
        }
    }
}

// Counts of the totals of `rolls` records built from text, first groups only or all groups.
std::vector<long> rolled(const char* text, long rolls, const Distribution& totals, bool allGroups,
                         long& samples) {
    std::vector<long> counts(totals.probability.size(), 0);
    samples = 0;
    orvik::seedRandom(20240611u);
    for (long i = 0; i < rolls; ++i) {
        const Orvik_Dice record(text);
        for (std::int32_t g = 0; g < (allGroups ? record.nGroups : 1); ++g, ++samples)
            ++counts.at(static_cast<std::size_t>(record.results[g] - totals.lowest));
    }
    return counts;
}

// A million real rolls against the computed odds, at a fixed seed so the verdict is fixed.
TEST(Odds, ModuleRollsFollowTheComputedOdds) {
    const char* texts[] = {"3d6", "2d20+5", "d500", "4d37-3"};
    for (const char* text : texts) {
        const orvik::odds::Odds odds = orvik::odds::rollOdds(text);
        long samples = 0;
        const std::string grouped = "25#" + std::string(text);
        const std::vector<long> counts =
            rolled(grouped.c_str(), 40000, odds.results.totals, true, samples);
        ASSERT_EQ(samples, 1000000);
        const auto [statistic, df] = chiSquare(counts, odds.results.totals.probability, samples);
        EXPECT_LT(statistic, criticalValue(df)) << text << " with " << df << " degrees of freedom";
    }
}

// A d500's faces 1-268 come up 66/65 as often as 269-500. A million rolls see that, and so the
// fair d500 fails where the computed odds pass.
TEST(Odds, ModuleRollsShowTheBias) {
    const orvik::odds::Odds odds = orvik::odds::rollOdds("d500");
    long samples = 0;
    const std::vector<long> counts = rolled("25#d500", 40000, odds.results.totals, true, samples);
    const long low = std::accumulate(counts.begin(), counts.begin() + 268, 0L);
    const std::vector<long> split{low, samples - low};
    const std::vector<double>& p = odds.results.totals.probability;
    const double computedLow = std::accumulate(p.begin(), p.begin() + 268, 0.0);
    const double critical = 3.891 * 3.891;  // one degree of freedom, chance 1e-4
    EXPECT_LT(chiSquare(split, {computedLow, 1 - computedLow}, samples).first, critical);
    EXPECT_GT(chiSquare(split, {268 / 500.0, 232 / 500.0}, samples).first, critical);
}

TEST(Odds, SneakAttackRollsFollowTheComputedOdds) {
    const orvik::odds::Odds odds = orvik::odds::sneakOdds("2d4 d10+1");
    std::vector<long> counts(odds.results.totals.probability.size(), 0);
    orvik::seedRandom(7u);
    const long rolls = 200000;
    for (long i = 0; i < rolls; ++i) {
        const Orvik_Dice record = orvik::makeSneakAttack("2d4 d10+1");
        ++counts.at(static_cast<std::size_t>(record.results[0] - odds.results.totals.lowest));
    }
    const auto [statistic, df] = chiSquare(counts, odds.results.totals.probability, rolls);
    EXPECT_LT(statistic, criticalValue(df));
}

// Texts of the same dice share their dice's chances (odds/SharedDice.h): whether the chances
// come from the shared ones, from those kept of an earlier text, or from fresh work, and after
// those kept were let go for want of room, every figure of the odds is the same to the bit.
TEST(Odds, SharedDiceGiveTheSameOdds) {
    const TextCase rows[] = {
        {false, "d20"},
        {false, "d20+5 to hit"},
        {false, "3#d20-7"},
        {false, "100d500"},
        {false, "30#100d500-12"},
        {false, padded("30#100d500-77 ", 290)},
        {false, padded("30#14d6-5 ", 396)},
        {false, padded("30#87d6 ", 367)},
        {false, "d6-2147483647"},
        {false, "3#d6-2147483640"},
        {true, "3d6 d8+2"},
        {true, "3d6 2#d8-1"},
        {true, "d6-2147483647-1 d6-3"},
        {true, "100d500-2147483647-1 100d500-99990"},
        {true, padded("100d500 100d500 ", 456)},
        {true, padded("d4 2#d10-6 ", 459)},
        {false, "100d500+1000"},
        {true, "3d6 d8 from behind"},
    };
    const auto same = [](const orvik::odds::Odds& a, const orvik::odds::Odds& b) {
        const auto sameTotals = [](const Distribution& x, const Distribution& y) {
            return x.lowest == y.lowest && x.probability == y.probability;
        };
        return sameTotals(a.results.totals, b.results.totals) &&
               a.results.scaled == b.results.scaled &&
               a.results.errorProbability == b.results.errorProbability &&
               sameTotals(a.results.sneakTotals, b.results.sneakTotals) &&
               sameTotals(a.results.mainTotals, b.results.mainTotals) && a.mean == b.mean &&
               a.standardDeviation == b.standardDeviation;
    };
    // Room for every table, and room for hardly one, so that each text lets go of the last.
    orvik::odds::SharedDice ample, scant(60000);
    for (int pass = 0; pass < 2; ++pass) {
        for (const TextCase& r : rows) {
            const auto with = [&](orvik::odds::SharedDice* shared) {
                return r.sneak ? orvik::odds::sneakOdds(r.text.c_str(), shared)
                               : orvik::odds::rollOdds(r.text.c_str(), shared);
            };
            const orvik::odds::Odds alone = with(nullptr);
            EXPECT_TRUE(same(with(&ample), alone)) << r.text.substr(0, 30);
            EXPECT_TRUE(same(with(&scant), alone)) << r.text.substr(0, 30);
        }
    }
    EXPECT_LE(scant.held(), 99801u);
}

}  // namespace
