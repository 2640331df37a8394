// The audit's p-values and e-values against exact enumeration where the sample is small enough
// to list: the mean's exact tail (and the saddlepoint beside it), the simulated spread against
// the multinomial's own tail, the e-value's expectation under the odds, Holm's adjustment, and
// what a sample could catch.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "audit/Anytime.h"
#include "audit/Family.h"
#include "audit/MeanTail.h"
#include "audit/Power.h"
#include "audit/Simulation.h"
#include "audit/Tails.h"
#include "audit/Tests.h"
#include "odds/Odds.h"

namespace {

using namespace orvik::audit;
using orvik::odds::rollOdds;

// One die's chances as the generator gives them, straight from the face counts.
std::vector<long double> dieChances(std::int32_t sides) {
    std::vector<long double> p;
    for (std::int32_t f = 1; f <= sides; ++f)
        p.push_back(static_cast<long double>(orvik::odds::faceCount(sides, f)) / 32768.0L);
    return p;
}

std::vector<long double> convolve(const std::vector<long double>& a,
                                  const std::vector<long double>& b) {
    std::vector<long double> out(a.size() + b.size() - 1, 0.0L);
    for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t j = 0; j < b.size(); ++j)
            out[i + j] += a[i] * b[j];
    return out;
}

// The exact two-sided p of a sum of offsets: every sum at least as far from n times the mean,
// listed one total at a time.
long double listedP(const std::vector<long double>& total, std::uint64_t n, std::uint64_t sum) {
    long double mean = 0.0L;
    for (std::size_t i = 0; i < total.size(); ++i)
        mean += total[i] * static_cast<long double>(i);
    std::vector<long double> sums{1.0L};
    for (std::uint64_t k = 0; k < n; ++k)
        sums = convolve(sums, total);
    const long double centre = mean * static_cast<long double>(n);
    const long double far = std::fabs(static_cast<long double>(sum) - centre);
    long double p = 0.0L;
    for (std::size_t s = 0; s < sums.size(); ++s)
        if (std::fabs(static_cast<long double>(s) - centre) >= far - 1e-9L) p += sums[s];
    return p;
}

TEST(AuditExact, MeanTailAgainstListedSums) {
    struct Row {
        std::int32_t dice, sides;
        std::uint64_t n;
        std::vector<double> zs;  // where the sums are taken, in standard errors
    } rows[] = {
        {1, 4, 40, {0.0, 1.0, 2.26, 3.0, 5.0}},  // HandWorkedStatistics' d4: z = 2.26
        {1, 2, 100, {0.0, 2.0, 4.0, 8.0}},      {1, 6, 30, {0.3, 2.0, 3.5, 6.0}},
        {2, 6, 31, {0.5, 1.9, 3.3, 4.4}},  // the lean of 1 and 2
        {3, 6, 35, {0.1, 2.5, 3.29, 5.5}},      {1, 20, 50, {0.0, 1.0, 3.0, 4.5, 7.0}},
        {1, 500, 3, {0.5, 1.5, 2.5}},
    };
    for (const Row& r : rows) {
        std::vector<long double> total{1.0L};
        for (std::int32_t d = 0; d < r.dice; ++d)
            total = convolve(total, dieChances(r.sides));
        const std::vector<double> chances(total.begin(), total.end());
        const MeanTail exact(chances, r.n), saddle(chances, r.n, 0);
        ASSERT_TRUE(exact.exact());
        ASSERT_FALSE(saddle.exact());
        long double mean = 0.0L, second = 0.0L;
        for (std::size_t i = 0; i < total.size(); ++i) {
            mean += total[i] * static_cast<long double>(i);
            second += total[i] * static_cast<long double>(i * i);
        }
        const auto n = static_cast<double>(r.n);
        const double sd = std::sqrt(static_cast<double>(second - mean * mean) * n);
        for (const double z : r.zs) {
            for (const double side : {1.0, -1.0}) {
                const double at = static_cast<double>(mean) * n + side * z * sd;
                if (at < 0.0) continue;
                const auto sum = static_cast<std::uint64_t>(std::llround(at));
                const double want = static_cast<double>(listedP(total, r.n, sum));
                EXPECT_NEAR(exact.p(sum), want, 1e-12 * want)
                    << r.dice << "d" << r.sides << " n " << r.n << " sum " << sum;
                // The saddlepoint within 1% wherever the sums are not too few to be smooth.
                if (r.n >= 30 && want > 1e-300) {
                    EXPECT_NEAR(saddle.p(sum), want, 0.01 * want)
                        << r.dice << "d" << r.sides << " n " << r.n << " sum " << sum;
                }
            }
        }
    }
}

// The saddlepoint to its last digits near the mean, where its t y - K(t) is a small difference:
// ideal 2d6 at a million totals, against the same formula worked at 50 digits (mpmath) from the
// same doubles. Where K(t) was log(sum p e^tx), the last bit of exp moved p by 1e-9.
TEST(AuditExact, SaddlepointToItsLastDigits) {
    std::vector<double> chances;
    for (const int k : {1, 2, 3, 4, 5, 6, 5, 4, 3, 2, 1})
        chances.push_back(k / 36.0);
    const MeanTail saddle(chances, 1'000'000, 0);
    ASSERT_FALSE(saddle.exact());
    const struct {
        std::uint64_t sum;  // offsets from 2 a total; z 0.25, 0.5, 1, 2 and 4
        double want;
    } rows[] = {
        {5'000'604, 0.80268579029941418852},     {5'001'208, 0.61710854971280737446},
        {5'002'415, 0.31745671408564514823},     {5'004'830, 0.045543145591900952913},
        {5'009'661, 0.000063388428808341324659},
    };
    for (const auto& r : rows) {
        EXPECT_NEAR(saddle.p(r.sum), r.want, 2e-13 * r.want) << r.sum;
        // The sum as far below the mean: the same p, the other tail.
        EXPECT_NEAR(saddle.p(10'000'000 - r.sum), r.want, 2e-13 * r.want) << r.sum;
    }
}

// Every count vector of n totals over the classes, with its multinomial chance and statistic.
void everyCount(const std::vector<double>& chances, std::uint64_t n,
                const std::function<void(const std::vector<std::uint64_t>&, double)>& each) {
    std::vector<std::uint64_t> counts(chances.size(), 0);
    std::function<void(std::size_t, std::uint64_t, double)> place =
        [&](std::size_t i, std::uint64_t left, double logChance) {
            if (i + 1 == chances.size()) {
                counts[i] = left;
                each(counts, std::exp(logChance + static_cast<double>(left) * std::log(chances[i]) -
                                      std::lgamma(static_cast<double>(left) + 1.0)));
                return;
            }
            for (std::uint64_t c = 0; c <= left; ++c) {
                counts[i] = c;
                place(i + 1, left - c,
                      logChance + static_cast<double>(c) * std::log(chances[i]) -
                          std::lgamma(static_cast<double>(c) + 1.0));
            }
        };
    place(0, n, std::lgamma(static_cast<double>(n) + 1.0));
}

double pearson(const std::vector<std::uint64_t>& counts, const std::vector<double>& expected) {
    double x = 0.0;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        const double d = static_cast<double>(counts[i]) - expected[i];
        x += d * d / expected[i];
    }
    return x;
}

// The simulated p against the multinomial's exact tail, where every sample can be listed; the
// chi-square's tail beside it is off by far more than the simulation's error.
TEST(AuditExact, SimulatedSpreadAgainstTheMultinomial) {
    struct Row {
        std::vector<double> chances;
        std::vector<std::uint64_t> observed;
    } rows[] = {
        {{0.5, 0.5}, {9, 3}},
        {{0.5, 0.3, 0.2}, {2, 4, 6}},
        {{0.5, 0.3, 0.2}, {5, 5, 2}},
        {{0.25, 0.25, 0.25, 0.25}, {8, 2, 1, 9}},
        {{0.4, 0.3, 0.2, 0.1}, {3, 3, 3, 11}},
    };
    constexpr std::uint64_t kDraws = 400000;
    for (const Row& r : rows) {
        std::uint64_t n = 0;
        for (const std::uint64_t c : r.observed)
            n += c;
        std::vector<double> expected;
        for (const double p : r.chances)
            expected.push_back(p * static_cast<double>(n));
        const double statistic = pearson(r.observed, expected);
        double exact = 0.0;
        everyCount(r.chances, n, [&](const std::vector<std::uint64_t>& counts, double chance) {
            if (pearson(counts, expected) >= statistic * (1.0 - 1e-12)) exact += chance;
        });
        const Simulated simulated =
            simulateSpread(expected, r.observed, seedOf(r.observed), kDraws, kDraws + 1);
        EXPECT_EQ(simulated.draws, kDraws);
        exact = std::min(exact, 1.0);
        const double error = std::sqrt(exact * (1.0 - exact) / kDraws);
        EXPECT_NEAR(simulated.p, exact, 4.0 * error + 2.0 / kDraws)
            << "observed " << r.observed[0] << "..., exact " << exact << ", chi-square tail "
            << chiSquareAbove(statistic, static_cast<std::int64_t>(r.chances.size()) - 1);
        // Stopped at the hits asked for, p is the hits over the draws.
        const Simulated early = simulateSpread(expected, r.observed, 7, kDraws, 20);
        if (early.reached == 20) {
            EXPECT_EQ(early.p, 20.0 / static_cast<double>(early.draws));
        }
        // The same counts, the same p.
        EXPECT_EQ(simulateSpread(expected, r.observed, seedOf(r.observed), 5000, 100).p,
                  simulateSpread(expected, r.observed, seedOf(r.observed), 5000, 100).p);
    }
}

// Under the odds, the e-value's expectation is 1 at every sample: listed over every count of n
// totals of a d4 and of 2d3, n from 1 to 9. Its logarithm is 0 before any total.
TEST(AuditExact, EValueExpectsOne) {
    for (const char* text : {"d4", "2d3"}) {
        const orvik::odds::Odds odds = rollOdds(text);
        const std::vector<double>& p = odds.results.totals.probability;
        for (std::uint64_t n = 0; n <= 9; ++n) {
            double expectation = 0.0;
            everyCount(p, n, [&](const std::vector<std::uint64_t>& counts, double chance) {
                Observed seen(odds);
                seen.counts = counts;
                expectation += chance * eValueOf(logEValue(odds, seen));
            });
            EXPECT_NEAR(expectation, 1.0, 1e-12) << text << " n " << n;
        }
    }
}

TEST(AuditExact, HolmAdjusted) {
    const double nan = std::nan("");
    struct Row {
        std::vector<double> ps, adjusted;
    } rows[] = {
        {{0.01}, {0.01}},
        {{0.01, 0.04, 0.03}, {0.03, 0.06, 0.06}},
        {{0.5, nan, 0.0001, 0.9}, {1.0, nan, 0.0003, 1.0}},
        {{0.0, 0.2, 0.2}, {0.0, 0.4, 0.4}},
        {{nan, nan}, {nan, nan}},
    };
    for (const Row& r : rows) {
        const std::vector<double> got = holmAdjusted(r.ps);
        ASSERT_EQ(got.size(), r.adjusted.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            if (std::isnan(r.adjusted[i]))
                EXPECT_TRUE(std::isnan(got[i]));
            else
                EXPECT_NEAR(got[i], r.adjusted[i], 1e-15) << i;
        }
    }
    double sum = 0.0;
    for (std::uint64_t k = 1; k <= 1000; ++k)
        sum += anytimeWeight(k);
    EXPECT_LT(sum, 1.0);
    EXPECT_GT(sum, 0.998);
}

// What a sample could catch: a shift that leaves totals no roll gives is caught by them at
// least; the totals said to catch a bias 90% of the time do, and a hundredth fewer do not; a
// bias of nothing is caught no more often than the test's own level.
TEST(AuditExact, CatchingAgreesWithItself) {
    const orvik::odds::Odds d20 = rollOdds("d20"), three = rollOdds("3d6");
    for (const std::uint64_t n : {5u, 20u, 60u}) {
        const double chance = chanceToCatch(d20, biasedTotals(d20, plusOne()), n);
        EXPECT_GE(chance, 1.0 - std::pow(1.0 - 1.0 / 20.0, static_cast<double>(n)) - 1e-4) << n;
    }
    for (const orvik::odds::Odds* odds : {&d20, &three}) {
        for (const Bias& bias : {topFace(*odds, 1.5), topFace(*odds, 2.0)}) {
            const orvik::odds::Distribution truth = biasedTotals(*odds, bias);
            const std::uint64_t n = totalsToCatch(*odds, truth, 0.9);
            ASSERT_GT(n, 100u);
            EXPECT_GE(chanceToCatch(*odds, truth, n), 0.9);
            EXPECT_LT(chanceToCatch(*odds, truth, n - n / 100), 0.9);
        }
        const Bias none{Bias::Kind::Face, odds->roll.sides, 1.0, 0};
        for (const std::uint64_t n : {50u, 1000u, 100000u})
            EXPECT_LT(chanceToCatch(*odds, biasedTotals(*odds, none), n), 0.0015) << n;
    }
}

// Ideal dice: every face once in sides; Orvik's odds stay as they were.
TEST(AuditExact, IdealDice) {
    const orvik::odds::Odds orvik = rollOdds("2d6");
    const orvik::odds::Odds ideal = orvik::odds::withFaces(orvik, orvik::odds::Faces::Ideal);
    const std::vector<double> ways{1, 2, 3, 4, 5, 6, 5, 4, 3, 2, 1};
    ASSERT_EQ(ideal.results.totals.probability.size(), ways.size());
    for (std::size_t i = 0; i < ways.size(); ++i)
        EXPECT_NEAR(ideal.results.totals.probability[i], ways[i] / 36.0, 1e-16) << i;
    EXPECT_EQ(ideal.mean, 7.0);
    EXPECT_NEAR(ideal.standardDeviation, std::sqrt(35.0 / 6.0), 1e-15);
    EXPECT_EQ(orvik::odds::withFaces(ideal, orvik::odds::Faces::Orvik).results.totals.probability,
              orvik.results.totals.probability);
    EXPECT_EQ(orvik::odds::withFaces(rollOdds("100d500"), orvik::odds::Faces::Ideal).mean, 25050.0);
}

}  // namespace
