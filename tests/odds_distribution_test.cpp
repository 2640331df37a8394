// The distribution of dice totals: face counts, and the fast convolution against exact counts,
// a plain extended-precision convolution, and plain window sums to the bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "odds/Distribution.h"
#include "odds_testing.h"

namespace {

using namespace orvik::testing;
using orvik::odds::Distribution;

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

}  // namespace
