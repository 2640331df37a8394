// The odds: face counts, exact totals, the fast convolution against slow and exact ones, the
// module's own rolls against the computed distribution, and the answers the module refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <limits>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "cli/OddsAnswers.h"
#include "dice/Decimal.h"
#include "host/RollRoutine.h"
#include "odds/Odds.h"
#include "odds/Questions.h"
#include "odds/Report.h"
#include "odds/TextLengths.h"
#include "random/DiceRandom.h"
#include "report/SneakAttack.h"
#include "testing.h"

namespace {

using namespace orvik::testing;
using orvik::odds::Distribution;

constexpr double kOutputs = 32768.0;

// Counts out of 32768^count: up to four dice fit in 64 bits.
using Exact = std::uint64_t;

// Exact counts of each total out of 32768^count, convolving one face at a time.
std::vector<Exact> exactCounts(int count, int sides) {
    std::vector<Exact> totals{1};
    for (int d = 0; d < count; ++d) {
        std::vector<Exact> next(totals.size() + static_cast<std::size_t>(sides) - 1, 0);
        for (int face = 1; face <= sides; ++face) {
            const Exact ways = static_cast<Exact>(orvik::odds::faceCount(sides, face));
            for (std::size_t i = 0; i < totals.size(); ++i)
                next[i + static_cast<std::size_t>(face) - 1] += totals[i] * ways;
        }
        totals.swap(next);
    }
    return totals;
}

// The plain convolution, every total times every face, in extended precision.
std::vector<long double> plainConvolution(int count, int sides) {
    std::vector<long double> face(static_cast<std::size_t>(sides));
    for (int f = 1; f <= sides; ++f)
        face[static_cast<std::size_t>(f) - 1] = orvik::odds::faceCount(sides, f) / 32768.0L;
    std::vector<long double> totals{1.0L};
    for (int d = 0; d < count; ++d) {
        std::vector<long double> next(totals.size() + face.size() - 1, 0.0L);
        for (std::size_t i = 0; i < totals.size(); ++i)
            for (std::size_t f = 0; f < face.size(); ++f)
                next[i + f] += totals[i] * face[f];
        totals.swap(next);
    }
    return totals;
}

Distribution dice(int count, int sides) {
    Distribution totals;
    orvik::odds::addDice(totals, count, sides);
    return totals;
}

// The same window sums as addDice, term for term, computed the plain way: all the running sums
// first, then every window from them. addDice only reorders the work, so it must agree to the bit.
void windowSums(Distribution& totals, int count, int sides) {
    const auto n = static_cast<std::size_t>(sides);
    const int whole = 32768 / sides;  // outputs every face gets
    const auto q = static_cast<double>(whole);
    const auto r = static_cast<std::size_t>(32768 % sides);
    std::vector<double>& cur = totals.probability;
    for (int die = 0; die < count; ++die) {
        const std::size_t size = cur.size(), grown = size + n - 1, split = grown / 2;
        // hi/lo[0][i]: sum of cur[0, i); hi/lo[1][i]: sum of cur[size - i, size).
        std::vector<double> hi[2] = {{0.0}, {0.0}}, lo[2] = {{0.0}, {0.0}};
        for (int side = 0; side < 2; ++side) {
            double h = 0.0, l = 0.0;
            for (std::size_t i = 0; i < size; ++i) {
                orvik::odds::twoSum(h, l, cur[side == 0 ? i : size - 1 - i]);
                hi[side].push_back(h);
                lo[side].push_back(l);
            }
        }
        const auto between = [&](int side, std::size_t a, std::size_t b) {
            return (hi[side][b] - hi[side][a]) + (lo[side][b] - lo[side][a]);
        };
        std::vector<double> next(grown);
        for (std::size_t t = 0; t < grown; ++t) {
            const std::size_t b = std::min(t + 1, size);
            const std::size_t all = t + 1 > n ? t + 1 - n : 0;
            const std::size_t extra = std::min(t + 1 > r ? t + 1 - r : 0, b);
            next[t] = (t < split ? q * between(0, all, b) + between(0, extra, b)
                                 : q * between(1, size - b, size - all) +
                                       between(1, size - b, size - extra)) /
                      kOutputs;
        }
        cur.swap(next);
    }
    totals.lowest += count;
}

// Bits 16 to 30 of the state are uniform over a full period, so each output is equally likely:
// the face counts must be what counting every output gives.
TEST(Odds, FaceCountsAreTheGeneratorOutputsCounted) {
    for (int sides = 1; sides <= 500; ++sides) {
        std::vector<int> counted(static_cast<std::size_t>(sides), 0);
        for (int r = 0; r < 32768; ++r)
            ++counted[static_cast<std::size_t>(r % sides)];
        for (int face = 1; face <= sides; ++face) {
            ASSERT_EQ(orvik::odds::faceCount(sides, face),
                      counted[static_cast<std::size_t>(face) - 1])
                << "d" << sides << " face " << face;
        }
    }
    EXPECT_EQ(orvik::odds::faceCount(500, 268), 66);
    EXPECT_EQ(orvik::odds::faceCount(500, 269), 65);
}

// Counted by hand from the faces: d6 faces 1-2 come 5462 times, 3-6 5461; d20 faces 1-8 1639,
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

TEST(Odds, FastConvolutionMatchesExactCounts) {
    const std::pair<int, int> rolls[] = {{1, 1},  {4, 1},   {1, 7},   {3, 6},   {4, 6},  {4, 3},
                                         {4, 20}, {4, 500}, {3, 499}, {4, 256}, {4, 333}};
    for (const auto& [count, sides] : rolls) {
        const std::vector<Exact> counts = exactCounts(count, sides);
        const Distribution fast = dice(count, sides);
        ASSERT_EQ(fast.lowest, count);
        ASSERT_EQ(fast.probability.size(), counts.size());
        const double whole = std::ldexp(1.0, 15 * count);
        for (std::size_t i = 0; i < counts.size(); ++i) {
            // Relative, so that the far tails count as much as the middle.
            const double exact = static_cast<double>(counts[i]) / whole;
            EXPECT_NEAR(fast.probability[i], exact, exact * 1e-13)
                << count << "d" << sides << " total " << i + static_cast<std::size_t>(count);
        }
    }
}

TEST(Odds, FastConvolutionMatchesPlainConvolution) {
    const std::pair<int, int> rolls[] = {{100, 37}, {10, 500}, {60, 101}, {100, 2}, {12, 499}};
    for (const auto& [count, sides] : rolls) {
        const std::vector<long double> plain = plainConvolution(count, sides);
        const Distribution fast = dice(count, sides);
        ASSERT_EQ(fast.probability.size(), plain.size());
        double worst = 0.0, worstRelative = 0.0;
        for (std::size_t i = 0; i < plain.size(); ++i) {
            const long double diff = std::fabs(fast.probability[i] - plain[i]);
            worst = std::max(worst, static_cast<double>(diff));
            worstRelative = std::max(worstRelative, static_cast<double>(diff / plain[i]));
        }
        EXPECT_LT(worst, 1e-15) << count << "d" << sides;
        EXPECT_LT(worstRelative, 1e-13) << count << "d" << sides;  // the far tails too
    }
}

// Rolls whose runs of totals start or stop together: one side, r = 0 (sides dividing 32768), dice
// wider than the totals so far, totals over several blocks, 32d257 whose middle falls on a block's
// edge, and dice added to totals that are not a single 0.
TEST(Odds, FastConvolutionMatchesPlainWindowSumsToTheBit) {
    const std::pair<int, int> first[] = {{0, 1}, {3, 6}, {1, 500}};
    const std::pair<int, int> rolls[] = {{1, 1},   {100, 1}, {5, 2},   {9, 4},    {30, 256},
                                         {1, 500}, {2, 500}, {37, 13}, {32, 257}, {12, 499}};
    for (const auto& [count0, sides0] : first)
        for (const auto& [count, sides] : rolls) {
            Distribution fast, plain;
            orvik::odds::addDice(fast, count0, sides0);
            windowSums(plain, count0, sides0);
            orvik::odds::addDice(fast, count, sides);
            windowSums(plain, count, sides);
            ASSERT_EQ(fast.lowest, plain.lowest);
            ASSERT_EQ(fast.probability.size(), plain.probability.size());
            EXPECT_EQ(std::memcmp(fast.probability.data(), plain.probability.data(),
                                  plain.probability.size() * sizeof(double)),
                      0)
                << count0 << "d" << sides0 << " then " << count << "d" << sides;
        }
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
        // Only 200 dice all showing 500 stay in range: a chance far below any double.
        {true, "100d500-2147483647-1 100d500-100000", kInvalid},
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

// Pearson's statistic of observed counts against the probabilities, pooling totals into bins
// expected at least 5 times. Returns the statistic and its degrees of freedom.
std::pair<double, int> chiSquare(const std::vector<long>& observed, const std::vector<double>& p,
                                 long samples) {
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
double criticalValue(int df) {
    const double z = 3.719, k = 2.0 / (9.0 * df);
    return df * std::pow(1 - k + z * std::sqrt(k), 3);
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

TEST(Odds, TextReportOfAFewTotalsListsThemAll) {
    const std::string report = orvik::odds::formatText("d3", orvik::odds::rollOdds("d3"));
    EXPECT_EQ(report,
              "d3\n"
              "  1 group: d3\n"
              "  minimum 1, maximum 3, mean 2.0000, standard deviation 0.8165\n"
              "  total   P(total) P(at least)\n"
              "      1   33.3344%   100.0000%  ████████████████████████████████████████\n"
              "      2   33.3344%    66.6656%  ████████████████████████████████████████\n"
              "      3   33.3313%    33.3313%  ████████████████████████████████████████");
}

TEST(Odds, TextReportOfManyTotalsIsCondensed) {
    const std::string report = orvik::odds::formatText("100d500", orvik::odds::rollOdds("100d500"));
    EXPECT_LE(std::count(report.begin(), report.end(), '\n'), 60);
    EXPECT_NE(report.find("carry at least 99.9% of the chance"), std::string::npos);
    EXPECT_NE(report.find("ranges of 200"), std::string::npos);
    EXPECT_NE(report.find("\n        ≤20227    0.0499%   100.0000%"), std::string::npos) << report;
    EXPECT_NE(report.find("\n        ≥29688    0.0499%     0.0499%"), std::string::npos) << report;
}

// ---- Answers the module refuses: a combined total below the range, a sentence too long ----

constexpr std::int64_t kLowest = std::numeric_limits<std::int32_t>::min();

std::string padded(const std::string& text, std::size_t pad) {
    return text + std::string(pad, 'x');
}

// What rolling the text answers, in a buffer as large as the module assumes the host's to be.
std::string rollOnce(const std::string& text, bool sneak) {
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

orvik::odds::Odds oddsOf(const std::string& text, bool sneak) {
    return sneak ? orvik::odds::sneakOdds(text.c_str()) : orvik::odds::rollOdds(text.c_str());
}

double chanceOf(const orvik::odds::Odds& odds, std::int64_t total) {
    const Distribution& t = odds.results.totals;
    return total < t.lowest || total > t.highest()
               ? 0.0
               : t.probability[static_cast<std::size_t>(total - t.lowest)];
}

// The totals of one group sum to 1 with the refusals, every chance and every "or more" lies in
// [0, 1], and the lowest total or more is exactly the chance of a result.
// A roll text, plain or a sneak attack.
struct TextCase {
    bool sneak;
    std::string text;
};

TEST(OddsRefusal, ChancesStayWithinOne) {
    const TextCase cases[] = {
        {false, "10d3"},
        {false, "50d2*2"},
        {false, "100d500"},
        {false, "d1*10"},
        {false, "3#d6-3"},
        {true, "3d6 2#d8+2"},
        {true, "d6-2147483647-1 d6-3"},
        {false, padded("30#d20 ", 380)},
        {true, padded("d20-15 10#d20-10 ", 415)},
        {true, padded("d20-15 10#d20-10 ", 425)},
        // Nearly every answer is refused: a result's chance is far below the error's last digit.
        {true, padded("100d500 100d499 ", 455)},
    };
    for (const auto& c : cases) {
        const orvik::odds::Odds odds = oddsOf(c.text, c.sneak);
        const std::vector<double>& p = odds.results.totals.probability;
        const std::vector<double> above = orvik::odds::atLeast(odds);
        const std::string name = c.text.substr(0, 20);
        ASSERT_EQ(above.size(), p.size()) << name;
        if (odds.results.errorProbability <= 0.5) {
            EXPECT_EQ(above[0], 1.0 - odds.results.errorProbability) << name;
        } else {
            EXPECT_NEAR(above[0], 1.0 - odds.results.errorProbability, 1e-15) << name;
        }
        EXPECT_GE(odds.results.errorProbability, 0.0) << name;
        long double sum = odds.results.errorProbability;
        for (std::size_t i = 0; i < p.size(); ++i) {
            EXPECT_TRUE(p[i] >= 0.0 && p[i] <= 1.0) << name << " p[" << i << "] = " << p[i];
            EXPECT_TRUE(above[i] >= 0.0 && above[i] <= 1.0) << name << " at_least " << above[i];
            if (i > 0) {
                EXPECT_LE(above[i], above[i - 1]) << name;
            }
            sum += p[i];
        }
        EXPECT_NEAR(static_cast<double>(sum), 1.0, 1e-12) << name;
        // What scripts read: the lowest total's at_least is written as exactly 1 when nothing is
        // refused.
        if (odds.results.errorProbability == 0.0) {
            EXPECT_NE(orvik::odds::formatJson(c.text, odds).find(",\"at_least\":1}"),
                      std::string::npos)
                << name;
        }
    }
}

// The lengths of the totals' texts, cut into runs, against the engine's own decimal text.
TEST(OddsRefusal, LengthRunsFollowTheDecimalText) {
    std::vector<std::int64_t> centres{kLowest, 0};
    for (std::int64_t power = 10; power <= 1000000000; power *= 10) {
        centres.push_back(power);
        centres.push_back(-power);
        centres.push_back(1 - power);
    }
    for (const std::int64_t centre : centres) {
        const std::int64_t first = std::max(centre - 30, kLowest), last = centre + 30;
        const std::vector<orvik::odds::LengthRun> runs = orvik::odds::lengthRuns(first, last);
        ASSERT_FALSE(runs.empty());
        EXPECT_EQ(runs.front().first, first);
        EXPECT_EQ(runs.back().last, last);
        for (std::size_t r = 0; r < runs.size(); ++r) {
            if (r > 0) {
                EXPECT_EQ(runs[r].first, runs[r - 1].last + 1) << centre;
                EXPECT_NE(runs[r].length, runs[r - 1].length)
                    << centre;  // cut only where it changes
            }
            for (std::int64_t t = runs[r].first; t <= runs[r].last; ++t)
                ASSERT_EQ(static_cast<std::size_t>(runs[r].length), orvik::decimalLength(t)) << t;
        }
    }
}

// The sentence's length less its totals, plus the totals' digits, is the sentence's length.
TEST(OddsRefusal, SentenceLengthWithoutTotals) {
    orvik::seedRandom(3u);
    const struct {
        bool sneak;
        const char* text;
    } cases[] = {{false, "d20"},       {false, "3#2d6-20 to hit"}, {false, "30#d6"},
                 {false, "1d6 d"},     {true, "3d6 d8+2"},         {true, "3d6 2#d8 behind"},
                 {true, "d6 30#d6-10"}};
    for (const auto& c : cases) {
        const Orvik_Dice record = c.sneak ? orvik::makeSneakAttack(c.text) : Orvik_Dice(c.text);
        std::size_t digits = 0;
        for (std::int32_t g = 0; g < record.nGroups; ++g)
            digits += orvik::decimalLength(record.results[g]);
        EXPECT_EQ(
            Orvik_Dice::resultsLengthWithoutTotals(record.diceCommands, record.nGroups) + digits,
            record.resultsLength())
            << c.text;
    }
}

// A text none of whose answers can fit gets what rolling it gets, whatever the dice show.
TEST(OddsRefusal, EveryAnswerRefusedIsTheModulesAnswer) {
    const TextCase cases[] = {
        {false, padded("d20 ", 600)},
        {false, padded("30#d20 ", 420)},  // even thirty single digits are too many
        {false, padded("d20 ", 507)},     // 511 bytes of text: within the 512 but no room left
        {true, padded("3d6 d8 ", 600)},
        {true, padded("3d6 30#d8 ", 420)},
        {true, "d1-2147483647-1 2#d1-2147483647-1"},
    };
    for (const auto& c : cases) {
        const std::string name = c.text.substr(0, 20);
        orvik::seedRandom(11u);
        const std::string refusal = rollOnce(c.text, c.sneak);
        for (int i = 0; i < 20; ++i)
            ASSERT_EQ(rollOnce(c.text, c.sneak), refusal) << name;
        EXPECT_EQ(refusal, kInvalid);
        for (const bool json : {false, true}) {
            orvik::cli::Answers answers(c.sneak, json);
            std::string out;
            EXPECT_FALSE(answers.answer(c.text.c_str(), c.text.size(), out)) << name;
            EXPECT_EQ(out, json ? orvik::odds::formatJsonError(c.text, refusal.c_str()) : refusal)
                << name;
        }
    }
}

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

EveryRoll everyRoll(const std::string& text, bool sneak) {
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

// The chance of each first group's total among the results, and of the error.
struct Enumerated {
    std::int64_t lowest = 0;  // of every combined total, result or not
    std::vector<long double> p;
    long double error = 0;
};

Enumerated enumerate(const std::string& text, bool sneak) {
    const EveryRoll every = everyRoll(text, sneak);
    Enumerated e;
    e.lowest = every.lowest;
    for (const Roll& roll : every.rolls) {
        const auto i = static_cast<std::size_t>(roll.totals[0] - every.lowest);
        if (e.p.size() <= i) e.p.resize(i + 1, 0.0L);
        (roll.result ? e.p[i] : e.error) += every.chance(roll.count);
    }
    return e;
}

TEST(OddsRefusal, MixedTextsMatchEveryRollEnumerated) {
    const TextCase cases[] = {
        // Room for 4 digits and signs in the totals: three totals from -9 to 10.
        {false, padded("3#d20-10 ", 477)},
        // Room for 3: only two 10s do not fit.
        {false, padded("2#d10 ", 483)},
        // One group with room for one character: only 0 to 9 are results.
        {false, padded("d20-10 ", 484)},
        // Room for 3 only: three totals from -11 to 8, every one a single digit.
        {false, padded("3#d20-12 ", 478)},
        // Room for 5, three totals from -10 to 14 that share the sneak total; then for 3.
        {true, padded("d6 3#d20-12 ", 454)},
        {true, padded("d6 3#d20-12 ", 456)},
        // Room for 3: no more than one of the two totals from -4 to 8 may be negative.
        {true, padded("d4 2#d10-6 ", 459)},
        // Any of the three groups can fall below the range.
        {true, "d6-2147483647-1 3#d6-3"},
    };
    for (const auto& c : cases) {
        const std::string name = c.text.substr(0, 20);
        const Enumerated exact = enumerate(c.text, c.sneak);
        ASSERT_GT(exact.error, 0.0L) << name;
        ASSERT_LT(exact.error, 0.99L) << name;
        const orvik::odds::Odds odds = oddsOf(c.text, c.sneak);
        EXPECT_NEAR(odds.results.errorProbability, static_cast<double>(exact.error),
                    1e-13 * static_cast<double>(exact.error))
            << name;
        std::int64_t first = 0, last = -1;  // the totals that are results
        for (std::size_t i = 0; i < exact.p.size(); ++i) {
            const std::int64_t total = exact.lowest + static_cast<std::int64_t>(i);
            const auto p = static_cast<double>(exact.p[i]);
            if (p > 0 && last < first) first = total;
            if (p > 0) last = total;
            EXPECT_NEAR(chanceOf(odds, total), p, 1e-13 * p) << name << " total " << total;
        }
        EXPECT_EQ(odds.results.totals.lowest, first) << name;
        EXPECT_EQ(odds.results.totals.highest(), last) << name;
    }
}

// The module's own rolls, refusals counted with the totals, against the computed odds.
TEST(OddsRefusal, ModuleRollsRefuseAsOften) {
    const TextCase cases[] = {
        {false, padded("30#d20 ", 380)},
        {true, padded("d20-15 10#d20-10 ", 420)},
    };
    for (const auto& c : cases) {
        const std::string name = c.text.substr(0, 20);
        const orvik::odds::Odds odds = oddsOf(c.text, c.sneak);
        ASSERT_GT(odds.results.errorProbability, 0.05) << name;
        std::vector<double> p{odds.results.errorProbability};
        p.insert(p.end(), odds.results.totals.probability.begin(),
                 odds.results.totals.probability.end());
        std::vector<long> counts(p.size(), 0);
        orvik::seedRandom(99u);
        const long rolls = 100000;
        for (long i = 0; i < rolls; ++i) {
            const std::string answer = rollOnce(c.text, c.sneak);
            const std::size_t at = answer.rfind(" and gets ");
            if (answer.compare(0, 6, "rolls ") != 0 || at == std::string::npos) {
                ASSERT_EQ(answer, kInvalid) << name;
                ++counts[0];
                continue;
            }
            const long total = std::strtol(answer.c_str() + at + 10, nullptr, 10);
            ++counts.at(static_cast<std::size_t>(total - odds.results.totals.lowest) + 1);
        }
        const auto [statistic, df] = chiSquare(counts, p, rolls);
        EXPECT_LT(statistic, criticalValue(df)) << name << " with " << df << " degrees of freedom";
    }
}

TEST(OddsRefusal, ReportsSayWhyAndHowOften) {
    const std::string text = padded("30#d20 ", 380);
    const orvik::odds::Odds odds = orvik::odds::rollOdds(text.c_str());
    std::ostringstream chance;
    chance << std::fixed << std::setprecision(4) << odds.results.errorProbability * 100 << '%';
    const std::string report = orvik::odds::formatText(text, odds);
    EXPECT_NE(report.find("with chance " + chance.str() +
                          " (a sentence longer than the host buffer of 512 bytes holds)"),
              std::string::npos)
        << report;
    const std::string json = orvik::odds::formatJson(text, odds);
    EXPECT_NE(json.find(",\"p_error\":0.1"), std::string::npos) << json.substr(0, 700);

    const orvik::odds::Odds both = orvik::odds::sneakOdds("d6-2147483647-1 30#d6-3");
    EXPECT_TRUE(both.results.tooLow);
    EXPECT_FALSE(both.results.tooLong);
    EXPECT_NE(orvik::odds::formatText("", both).find("(a combined total below -2147483648)"),
              std::string::npos);
}

// ---- Questions: how many groups reach a target, one roll against another ----

// The chances of exactly k groups reaching target, and of the error, counted over every roll.
std::vector<long double> reachingEnumerated(const std::string& text, bool sneak,
                                            std::int64_t target, long double& error) {
    const EveryRoll every = everyRoll(text, sneak);
    std::vector<Wide> counts(every.rolls.front().totals.size() + 1, 0);
    Wide refused = 0;
    for (const Roll& roll : every.rolls) {
        if (!roll.result) {
            refused += roll.count;
            continue;
        }
        counts[static_cast<std::size_t>(
            std::count_if(roll.totals.begin(), roll.totals.end(),
                          [&](std::int64_t t) { return t >= target; }))] += roll.count;
    }
    error = every.chance(refused);
    std::vector<long double> p;
    for (const Wide c : counts)
        p.push_back(every.chance(c));
    return p;
}

TEST(OddsQuestions, ReachingMatchesEveryRollCounted) {
    const struct {
        TextCase roll;
        std::int64_t target = 0;
    } cases[] = {
        {{false, "3#d20+5"}, 15},
        {{false, "2#2d6"}, 7},
        {{true, "d4 2#d6"}, 8},
        {{true, "2d3 3#d4-2"}, 3},
        // Room for 4 characters of totals: three totals from -9 to 10.
        {{false, padded("3#d20-10 ", 477)}, 0},
        {{false, padded("3#d20-10 ", 477)}, 10},
        // Room for 3: no more than one of the two totals from -4 to 8 may be negative.
        {{true, padded("d4 2#d10-6 ", 459)}, 2},
        {{true, padded("d6 3#d20-12 ", 454)}, -5},
        // Any of the three groups can fall below the range.
        {{true, "d6-2147483647-1 3#d6-3"}, kLowest + 4},
    };
    for (const auto& c : cases) {
        const std::string name = c.roll.text.substr(0, 20) + " at " + std::to_string(c.target);
        long double error = 0;
        const std::vector<long double> exact =
            reachingEnumerated(c.roll.text, c.roll.sneak, c.target, error);
        const orvik::odds::Odds odds = oddsOf(c.roll.text, c.roll.sneak);
        const orvik::odds::TargetOdds reaching = orvik::odds::targetOdds(odds, c.target);
        ASSERT_EQ(reaching.exactly.size(), exact.size()) << name;
        EXPECT_NEAR(odds.results.errorProbability, static_cast<double>(error),
                    1e-13 * static_cast<double>(error))
            << name;
        long double reach = 0;
        for (std::size_t k = 0; k < exact.size(); ++k) {
            const auto p = static_cast<double>(exact[k]);
            EXPECT_NEAR(reaching.exactly[k], p, 1e-13 * p) << name << " k " << k;
            reach +=
                exact[k] * static_cast<long double>(k) / static_cast<long double>(exact.size() - 1);
        }
        EXPECT_NEAR(reaching.reach, static_cast<double>(reach), 1e-13 * static_cast<double>(reach))
            << name;
    }
}

// Each side's chance of each first group's total among its results, and of the error, counted.
struct Side {
    std::int64_t lowest;
    std::vector<Wide> counts;  // of results, by total from lowest
    Wide refused = 0;
    Wide all = 0;  // 32768^dice
};

Side sideOf(const TextCase& c) {
    const EveryRoll every = everyRoll(c.text, c.sneak);
    Side side{every.lowest, {}, 0, Wide{1} << (15 * every.dice)};
    for (const Roll& roll : every.rolls) {
        const auto i = static_cast<std::size_t>(roll.totals[0] - every.lowest);
        if (side.counts.size() <= i) side.counts.resize(i + 1, 0);
        (roll.result ? side.counts[i] : side.refused) += roll.count;
    }
    return side;
}

TEST(OddsQuestions, ContestMatchesEveryPairCounted) {
    const std::pair<TextCase, TextCase> cases[] = {
        {{false, "d20"}, {false, "d20"}},
        {{false, "2d6"}, {false, "d12"}},
        {{false, "d20+5"}, {false, "3#d20+7"}},
        {{true, "d4 2#d6"}, {false, "2d6+2"}},
        // Refusals on both sides: only two 10s do not fit; a total below the range.
        {{false, padded("2#d10 ", 483)}, {true, "d6-2147483647-1 3#d6-3"}},
    };
    for (const auto& [a, b] : cases) {
        const std::string name = a.text.substr(0, 12) + " vs " + b.text.substr(0, 12);
        const Side x = sideOf(a), y = sideOf(b);
        // Counts out of x.all * y.all: at most 2^90.
        Wide greater = 0, equal = 0, less = 0;
        for (std::size_t i = 0; i < x.counts.size(); ++i) {
            for (std::size_t j = 0; j < y.counts.size(); ++j) {
                const std::int64_t ta = x.lowest + static_cast<std::int64_t>(i);
                const std::int64_t tb = y.lowest + static_cast<std::int64_t>(j);
                (ta > tb ? greater : ta == tb ? equal : less) += x.counts[i] * y.counts[j];
            }
        }
        const Wide error = x.refused * y.all + x.all * y.refused - x.refused * y.refused;
        const long double whole = static_cast<long double>(x.all) * static_cast<long double>(y.all);
        const orvik::odds::Contest got =
            orvik::odds::contest(oddsOf(a.text, a.sneak), oddsOf(b.text, b.sneak));
        const std::pair<double, Wide> pairs[] = {{got.greater, greater},
                                                 {got.equal, equal},
                                                 {got.less, less},
                                                 {got.errorProbability, error}};
        for (const auto& [computed, count] : pairs) {
            const auto exact = static_cast<double>(static_cast<long double>(count) / whole);
            EXPECT_NEAR(computed, exact, 1e-13 * exact) << name;
        }
    }
}

// The chances a question gives sum to 1 with the error's, agree with the table's own tails, and
// keep their digits where small.
TEST(OddsQuestions, EdgesOfTheTarget) {
    const struct {
        TextCase roll;
        std::int64_t target = 0;
    } cases[] = {
        {{false, "3#d20+5"}, std::numeric_limits<std::int64_t>::min()},
        {{false, "3#d20+5"}, 6},  // the minimum: certain
        {{false, "3#d20+5"}, 25},
        {{false, "3#d20+5"}, 26},  // above the maximum
        {{false, "3#d20+5"}, std::numeric_limits<std::int64_t>::max()},
        {{false, "30#d6"}, 4},
        {{false, "30#100d500"}, 25000},
        {{false, "100d500"}, 49990},  // a far tail
        {{false, "100d500"}, 110},
        {{true, "100d500 2#100d499"}, 50000},
        {{false, padded("30#d20 ", 380)}, 10},  // a sentence too long about 13% of the time
        {{false, padded("30#d20 ", 380)}, 20},
        {{true, padded("d20-15 10#d20-10 ", 425)}, 1},
        {{true, padded("100d500 100d499 ", 455)}, 60000},  // nearly every answer refused
        {{true, "d6-2147483647-1 30#d6-3"}, kLowest},
        {{true, "d6-2147483647-1 30#d6-3"}, kLowest + 1},
    };
    for (const auto& c : cases) {
        const std::string name = c.roll.text.substr(0, 20) + " at " + std::to_string(c.target);
        const orvik::odds::Odds odds = oddsOf(c.roll.text, c.roll.sneak);
        const orvik::odds::TargetOdds reaching = orvik::odds::targetOdds(odds, c.target);
        ASSERT_EQ(reaching.exactly.size(), static_cast<std::size_t>(odds.groups) + 1) << name;
        long double sum = odds.results.errorProbability;
        for (const double p : reaching.exactly) {
            EXPECT_TRUE(p >= 0.0 && p <= 1.0) << name << ": " << p;
            sum += p;
        }
        EXPECT_NEAR(static_cast<double>(sum), 1.0, 1e-12) << name;
        // The table's chance of a first total at target or more, summed from its top.
        const std::vector<double> above = orvik::odds::atLeast(odds);
        const Distribution& t = odds.results.totals;
        const double tail = c.target <= t.lowest ? above.front()
                            : c.target > t.highest()
                                ? 0.0
                                : above[static_cast<std::size_t>(c.target - t.lowest)];
        EXPECT_NEAR(reaching.reach, tail, 1e-12 * tail) << name;
        const std::vector<double> more = orvik::odds::kOrMore(odds, reaching);
        // Some k: any result, as the table gives it.
        if (odds.results.errorProbability <= 0.5) {
            EXPECT_EQ(more.front(), above.front()) << name;
        } else {
            EXPECT_NEAR(more.front(), above.front(), 1e-12 * above.front()) << name;
        }
        if (c.target <= t.lowest) {
            EXPECT_EQ(reaching.exactly.back(), above.front()) << name;
        }
        if (c.target > t.highest()) {
            EXPECT_EQ(reaching.exactly.front(), above.front()) << name;
        }
    }
    // A tail far below double's epsilon keeps its digits: against the plain sum of its chances.
    const orvik::odds::Odds big = orvik::odds::rollOdds("100d500");
    long double direct = 0;
    for (std::size_t i = 49990 - 100; i < big.results.totals.probability.size(); ++i)
        direct += big.results.totals.probability[i];
    const double far = orvik::odds::targetOdds(big, 49990).reach;
    EXPECT_LT(far, 1e-200);
    EXPECT_NEAR(far, static_cast<double>(direct), 1e-13 * static_cast<double>(direct));
}

TEST(OddsQuestions, EdgesOfTheContest) {
    const std::pair<TextCase, TextCase> cases[] = {
        {{false, "100d500"}, {false, "100d500"}},
        {{false, "d1+999"}, {false, "100d500"}},  // below 1000 only in a far tail
        {{false, "d20"}, {false, "100d500"}},     // never greater
        {{false, padded("30#d20 ", 380)}, {true, "d6-2147483647-1 30#d6-3"}},
        {{true, padded("100d500 100d499 ", 455)}, {false, "d6"}},
    };
    for (const auto& [a, b] : cases) {
        const std::string name = a.text.substr(0, 12) + " vs " + b.text.substr(0, 12);
        const orvik::odds::Odds x = oddsOf(a.text, a.sneak), y = oddsOf(b.text, b.sneak);
        const orvik::odds::Contest ab = orvik::odds::contest(x, y), ba = orvik::odds::contest(y, x);
        EXPECT_NEAR(ab.greater + ab.equal + ab.less + ab.errorProbability, 1.0, 1e-12) << name;
        // The other way round, each from the other tail.
        EXPECT_NEAR(ab.greater, ba.less, 1e-13 * ab.greater) << name;
        EXPECT_NEAR(ab.less, ba.greater, 1e-13 * ab.less) << name;
        EXPECT_NEAR(ab.equal, ba.equal, 1e-13 * ab.equal) << name;
        EXPECT_EQ(ab.errorProbability, ba.errorProbability) << name;
    }
    const orvik::odds::Odds fixed = orvik::odds::rollOdds("d1+999");
    const orvik::odds::Odds big = orvik::odds::rollOdds("100d500");
    long double below = 0;
    for (std::size_t i = 0; i < 1000 - 100; ++i)
        below += big.results.totals.probability[i];
    const orvik::odds::Contest c = orvik::odds::contest(fixed, big);
    EXPECT_LT(c.greater, 1e-100);
    EXPECT_NEAR(c.greater, static_cast<double>(below), 1e-13 * static_cast<double>(below));
    EXPECT_EQ(orvik::odds::contest(orvik::odds::rollOdds("d20"), big).greater, 0.0);
}

// A million of the module's own rolls: how many groups reach the target, and who wins.
TEST(OddsQuestions, ModuleRollsReachAsOften) {
    const struct {
        TextCase roll;
        std::int64_t target = 0;
        long rolls = 0;
    } cases[] = {
        {{false, "3#d20+5"}, 15, 1000000},
        {{true, "d4 5#d6"}, 8, 1000000},
        {{true, padded("d20-15 10#d20-10 ", 420)}, 0, 200000},  // refused about 13% of the time
    };
    for (const auto& c : cases) {
        const std::string name = c.roll.text.substr(0, 20);
        const orvik::odds::Odds odds = oddsOf(c.roll.text, c.roll.sneak);
        const orvik::odds::TargetOdds reaching = orvik::odds::targetOdds(odds, c.target);
        std::vector<double> p{odds.results.errorProbability};  // the error, then k = 0, 1, ...
        p.insert(p.end(), reaching.exactly.begin(), reaching.exactly.end());
        std::vector<long> counts(p.size(), 0);
        orvik::seedRandom(4242u);
        for (long i = 0; i < c.rolls; ++i) {
            const std::string answer = rollOnce(c.roll.text, c.roll.sneak);
            const std::size_t at = answer.rfind(" and gets ");
            if (at == std::string::npos) {
                ASSERT_EQ(answer, kInvalid) << name;
                ++counts[0];
                continue;
            }
            std::size_t k = 0;
            for (const char* next = answer.c_str() + at + 10; *next != '\0' && *next != '.';) {
                char* end = nullptr;
                if (std::strtol(next, &end, 10) >= c.target) ++k;
                next = end + (*end == ',' ? 2 : 0);
            }
            ++counts.at(k + 1);
        }
        const auto [statistic, df] = chiSquare(counts, p, c.rolls);
        EXPECT_LT(statistic, criticalValue(df)) << name << " with " << df << " degrees of freedom";
    }
}

TEST(OddsQuestions, ModuleRollsWinAsOften) {
    const std::pair<TextCase, TextCase> cases[] = {
        {{false, "d20+5"}, {false, "2d6+3*2"}},
        {{false, padded("2#d10 ", 483)}, {true, "d6 d8"}},  // refused 1% of the time
    };
    for (const auto& [a, b] : cases) {
        const std::string name = a.text.substr(0, 12) + " vs " + b.text.substr(0, 12);
        const orvik::odds::Contest chances =
            orvik::odds::contest(oddsOf(a.text, a.sneak), oddsOf(b.text, b.sneak));
        // Pooled from the smallest up, so that a small error still has a bin of its own.
        const std::vector<double> p{chances.errorProbability, chances.equal, chances.greater,
                                    chances.less};
        std::vector<long> counts(4, 0);
        const auto first = [](const std::string& answer) {
            const std::size_t at = answer.rfind(" and gets ");
            return at == std::string::npos ? std::numeric_limits<long>::min()
                                           : std::strtol(answer.c_str() + at + 10, nullptr, 10);
        };
        orvik::seedRandom(777u);
        const long rolls = 1000000;
        for (long i = 0; i < rolls; ++i) {
            const long x = first(rollOnce(a.text, a.sneak)), y = first(rollOnce(b.text, b.sneak));
            const long none = std::numeric_limits<long>::min();
            ++counts[x == none || y == none ? 0 : x == y ? 1 : x > y ? 2 : 3];
        }
        const auto [statistic, df] = chiSquare(counts, p, rolls);
        EXPECT_LT(statistic, criticalValue(df)) << name << " with " << df << " degrees of freedom";
    }
}

}  // namespace
