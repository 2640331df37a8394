// The p-values' tails against printed tables, and where the exact sums could break: no degrees
// of freedom to spare, very many of them, and tails far out.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "audit/Tails.h"

namespace {

using orvik::audit::chiSquareAbove;
using orvik::audit::normalTwoSided;

// A table prints x to `decimals` places: the exact critical value lies within half a unit of the
// last place, so the tail's p is bracketed by the tails at either end of that interval.
TEST(Tails, PrintedCriticalValues) {
    struct Row {
        double x;
        int decimals;
        std::int64_t degrees;  // 0: the normal two-sided tail
        double p;
    } rows[] = {
        {3.841, 3, 1, 0.05},     {5.991, 3, 2, 0.05},      {11.070, 3, 5, 0.05},
        {18.307, 3, 10, 0.05},   {43.773, 3, 30, 0.05},    {6.635, 3, 1, 0.01},
        {23.209, 3, 10, 0.01},   {10.828, 3, 1, 0.001},    {29.588, 3, 10, 0.001},
        {124.342, 3, 100, 0.05}, {149.449, 3, 100, 0.001}, {7.815, 3, 3, 0.05},
        {1.96, 2, 0, 0.05},      {2.576, 3, 0, 0.01},      {3.291, 3, 0, 0.001},
    };
    for (const Row& r : rows) {
        const double half = 0.5 * std::pow(10.0, -r.decimals);
        const auto tail = [&r](double x) {
            return r.degrees == 0 ? normalTwoSided(x) : chiSquareAbove(x, r.degrees);
        };
        EXPECT_LE(tail(r.x + half), r.p) << r.x << " on " << r.degrees;
        EXPECT_GE(tail(r.x - half), r.p) << r.x << " on " << r.degrees;
        if (r.degrees == 0) {
            EXPECT_EQ(normalTwoSided(-r.x), normalTwoSided(r.x)) << r.x;
        }
    }
}

TEST(Tails, Edges) {
    struct Row {
        double x;
        std::int64_t degrees;
        double low, high;  // the tail lies in [low, high]
    } rows[] = {
        {0.0, 1, 1.0, 1.0},
        {0.0, 2, 1.0, 1.0},
        {0.0, 100000, 1.0, 1.0},
        {-3.0, 7, 1.0, 1.0},
        {2.0, 2, std::exp(-1.0) * (1 - 1e-15), std::exp(-1.0) * (1 + 1e-15)},
        // One degree of freedom is the normal's square: P(Z^2 >= 4) = P(|Z| >= 2).
        {4.0, 1, normalTwoSided(2.0) * (1 - 1e-14), normalTwoSided(2.0) * (1 + 1e-14)},
        // A hundred thousand degrees: x = k sits just above the median (about k - 2/3), whose
        // distance is 2/3 / sqrt(2k) standard deviations, so the tail is a hair under 1/2.
        {100000.0, 100000, 0.498, 0.5},
        {99999.0, 99999, 0.498, 0.5},
        {99000.0, 100000, 0.98, 0.99},  // 2.2 standard deviations below the mean
        // Far out the tail is tiny but still a normal double, for odd and even degrees.
        {1380.0, 1, 1e-305, 1e-300},
        {1380.0, 2, 1e-305, 1e-299},
        {1600.0, 51, 1e-302, 1e-300},
        {1600.0, 50, 1e-303, 1e-301},
    };
    for (const Row& r : rows) {
        const double p = chiSquareAbove(r.x, r.degrees);
        EXPECT_GE(p, r.low) << r.x << " on " << r.degrees;
        EXPECT_LE(p, r.high) << r.x << " on " << r.degrees;
    }
    EXPECT_EQ(normalTwoSided(0.0), 1.0);
    EXPECT_GT(normalTwoSided(37.0), 0.0);
    EXPECT_LT(normalTwoSided(37.0), 1e-290);
}

// Over a grid every tail is a probability, falls as x grows and rises with the degrees, to within
// the last bits of a long sum, which grow with its terms.
TEST(Tails, ProbabilitiesFallingInXRisingInDegrees) {
    const std::int64_t degrees[] = {1, 2, 3, 4, 9, 10, 29, 30, 101, 1000, 9999};
    for (const std::int64_t k : degrees) {
        const double slack = 1e-13 + 2e-15 * static_cast<double>(k);
        double previous = 1.0;
        for (int i = 0; i <= 51; ++i) {  // x from k / 1000 to about 87 k
            const double x = 0.001 * std::pow(1.25, i) * static_cast<double>(k);
            const double p = chiSquareAbove(x, k);
            ASSERT_FALSE(std::isnan(p)) << x << " on " << k;
            ASSERT_GE(p, 0.0) << x << " on " << k;
            ASSERT_LE(p, 1.0) << x << " on " << k;
            ASSERT_LE(p, previous * (1 + slack)) << x << " on " << k;
            ASSERT_GE(chiSquareAbove(x, k + 1), p * (1 - slack)) << x << " on " << k;
            previous = p;
        }
    }
    double previous = 1.0;
    for (int i = 0; i < 150; ++i) {  // to 37.25, whose tail is still a normal double
        const double z = i / 4.0;
        const double p = normalTwoSided(z);
        ASSERT_FALSE(std::isnan(p)) << z;
        ASSERT_LE(p, previous) << z;
        previous = p;
    }
}

}  // namespace
