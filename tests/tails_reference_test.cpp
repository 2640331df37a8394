// The tails against Boost.Math's regularized gamma and erfc, two implementations written apart
// from these: over a grid of degrees of freedom from 1 to 10^5, x from a hundredth of them to ten
// times them, and far tails down to 1e-300; and the points that cut off tails, and the gamma of
// any shape, which a test's power needs.
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/math/special_functions/erf.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <vector>

#include "audit/Tails.h"

namespace {

using orvik::audit::chiSquareAbove;
using orvik::audit::chiSquarePoint;
using orvik::audit::gammaBelow;
using orvik::audit::normalAbove;
using orvik::audit::normalTwoSided;

// Each term's exponent is a difference of numbers near k log(x / 2), whose last bits carry a
// relative error that grows with the degrees k: measured over this grid, 6e-14 at worst up to 100
// degrees, 2.2e-13 at 1000, 6.9e-12 at 10^4 and 6.3e-11 (x = 72000.3 on 66409) at the most. The
// bound is twice that growth; a wrong term or sum is off by far more.
double chiSquareBound(std::int64_t k) {
    return 2e-13 + 2e-15 * static_cast<double>(k);
}
// erfc against erfc, so the C library's own error: measured 4.7e-16 at worst with x86-64's glibc,
// 2e-13 with i386's (at z = 36.4, its far tail's exponent rounded in proportion to z squared).
constexpr double kNormalBound = 1e-12;

struct Worst {
    double error = 0.0;
    double x = 0.0;
    std::int64_t k = 0;
    void see(double e, double atX, std::int64_t atK) {
        if (e > error) *this = Worst{e, atX, atK};
    }
};

double relativeError(double got, double want) {
    return std::fabs(got - want) / want;
}

std::vector<std::int64_t> degreesGrid() {
    std::vector<std::int64_t> ks;
    for (int i = 0; i <= 34; ++i) {  // 1.4^34 is about 10^5
        // Each value with its neighbour, so that odd and even sums both appear at every size.
        const auto whole = static_cast<std::int64_t>(std::llround(std::pow(1.4, i)));
        ks.push_back(whole);
        ks.push_back(whole + 1);
    }
    ks.push_back(99999);
    ks.push_back(100000);
    std::sort(ks.begin(), ks.end());
    ks.erase(std::unique(ks.begin(), ks.end()), ks.end());
    return ks;
}

TEST(TailsReference, ChiSquareAgainstBoostGammaQ) {
    Worst worst;
    double worstShare = 0.0;  // of the bound
    std::size_t points = 0;
    for (const std::int64_t k : degreesGrid()) {
        const double a = static_cast<double>(k) / 2.0;
        std::vector<double> xs;
        for (int i = 0; i <= 37; ++i)  // 0.01 * 1.2^37 is about 8.6
            xs.push_back(0.01 * std::pow(1.2, i) * static_cast<double>(k));
        xs.push_back(10.0 * static_cast<double>(k));
        // Where the tail is 1e-10 down to 1e-300.
        for (const double q : {1e-10, 1e-50, 1e-100, 1e-200, 1e-300})
            xs.push_back(2.0 * boost::math::gamma_q_inv(a, q));
        for (const double x : xs) {
            const double want = boost::math::gamma_q(a, x / 2.0);
            if (want < DBL_MIN) continue;  // below the normal doubles the sum gives 0
            const double got = chiSquareAbove(x, k);
            ASSERT_FALSE(std::isnan(got)) << x << " on " << k;
            ASSERT_LE(got, 1.0) << x << " on " << k;
            const double e = relativeError(got, want);
            EXPECT_LE(e, chiSquareBound(k))
                << x << " on " << k << ": " << got << ", Boost " << want;
            worst.see(e, x, k);
            worstShare = std::max(worstShare, e / chiSquareBound(k));
            ++points;
        }
    }
    std::cout << "chi-square: " << points << " points, worst relative error " << worst.error
              << " (x = " << worst.x << " on " << worst.k << "), at most " << worstShare
              << " of the bound\n";
    EXPECT_GT(points, 1000u);
}

TEST(TailsReference, NormalAgainstBoostErfc) {
    Worst worst;
    for (int i = -500; i < 3750; ++i) {
        const double z = i / 100.0;
        const double want = boost::math::erfc(std::fabs(z) / std::sqrt(2.0));
        const double got = normalTwoSided(z);
        const double e = relativeError(got, want);
        EXPECT_LE(e, kNormalBound) << z << ": " << got << ", Boost " << want;
        worst.see(e, z, 0);
    }
    std::cout << "normal: worst relative error " << worst.error << " (z = " << worst.x << ")\n";
}

// The inverses, where the lines of a test are drawn: the normal's z for p from 1e-300 up, the
// chi-square's x for the tails of 0.05 down to 1e-12 on 1 to 10^4 degrees.
TEST(TailsReference, PointsAgainstBoostInverses) {
    for (const double p : {1e-300, 1e-100, 1e-20, 1e-8, 2.5e-4, 5e-4, 0.001, 0.01, 0.025, 0.3, 0.5,
                           0.7, 0.99, 0.999999}) {
        const double want = std::sqrt(2.0) * boost::math::erfc_inv(2.0 * p);
        EXPECT_NEAR(normalAbove(p), want, 1e-13 * std::max(1.0, std::fabs(want))) << p;
    }
    for (const std::int64_t k : {1, 2, 3, 10, 19, 55, 200, 924, 10000}) {
        for (const double p : {0.05, 0.01, 0.001, 5e-4, 1e-6, 1e-12}) {
            const double want = 2.0 * boost::math::gamma_q_inv(static_cast<double>(k) / 2.0, p);
            EXPECT_NEAR(chiSquarePoint(p, k), want, 1e-11 * want) << p << " on " << k;
        }
    }
}

TEST(TailsReference, GammaOfAnyShapeAgainstBoostGammaP) {
    for (const double a : {0.05, 0.5, 1.0, 2.7, 13.3, 250.0, 4000.5}) {
        for (const double share : {0.01, 0.3, 0.9, 1.0, 1.1, 2.0, 5.0}) {
            const double x = share * a;
            const double want = boost::math::gamma_p(a, x);
            EXPECT_NEAR(gammaBelow(a, x), want, 1e-11) << a << ", " << x;
        }
    }
}

}  // namespace
