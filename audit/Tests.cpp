#include "audit/Tests.h"

#include <cmath>
#include <limits>

#include "audit/Tails.h"

namespace orvik::audit {

namespace {

// n: the totals counted.
MeanTest meanTest(const Odds& odds, const Observed& observed, std::uint64_t n) {
    MeanTest test;
    double sum = 0.0;  // of offsets from the lowest total, so that a large modifier costs no digits
    for (std::size_t i = 0; i < observed.counts.size(); ++i)
        sum += static_cast<double>(observed.counts[i]) * static_cast<double>(i);
    test.expected = odds.mean;
    if (n == 0) return test;
    test.observed = static_cast<double>(odds.results.totals.lowest) + sum / static_cast<double>(n);
    const double deviation = odds.standardDeviation;
    if (n < kFewestForMean || !(deviation > 0.0) || std::isnan(odds.mean)) return test;
    test.done = true;
    test.standardError = deviation / std::sqrt(static_cast<double>(n));
    test.z = (test.observed - test.expected) / test.standardError;
    test.p = normalTwoSided(test.z);
    return test;
}

// Adjacent totals pooled, lowest first, until each class expects kFewestExpected; what is left at
// the top joins the class below it.
FitTest fitTest(const Odds& odds, const Observed& observed, std::uint64_t sample) {
    const odds::Distribution& totals = odds.results.totals;
    const double error = odds.results.errorProbability;
    const bool refusalClass = observed.refusalsCount && error > 0.0;
    // Among results alone, each total's chance is its share of the results' chance.
    const double scale =
        refusalClass ? static_cast<double>(sample) : static_cast<double>(sample) / (1.0 - error);
    FitTest test;
    FitClass open;
    bool any = false;
    for (std::size_t i = 0; i < totals.probability.size(); ++i) {
        const std::int64_t total = totals.lowest + static_cast<std::int64_t>(i);
        if (!any) open = FitClass{total, total, false, true, 0, 0.0};
        any = true;
        open.to = total;
        open.observed += observed.counts[i];
        open.expected += scale * totals.probability[i];
        if (open.expected >= kFewestExpected) {
            test.classes.push_back(open);
            any = false;
        }
    }
    if (any) {
        if (test.classes.empty())
            test.classes.push_back(open);
        else
            test.classes.back().join(open);
    }
    if (refusalClass) {
        const FitClass refused{0, 0, true, false, observed.refused, scale * error};
        if (refused.expected >= kFewestExpected || test.classes.empty())
            test.classes.push_back(refused);
        else
            test.classes.back().join(refused);
    }
    if (test.classes.size() < 2 || test.classes.front().expected < kFewestExpected ||
        test.classes.back().expected < kFewestExpected)
        return test;
    test.done = true;
    for (const FitClass& c : test.classes) {
        const double d = static_cast<double>(c.observed) - c.expected;
        test.statistic += d * d / c.expected;
    }
    test.degrees = static_cast<std::int64_t>(test.classes.size()) - 1;
    test.p = chiSquareAbove(test.statistic, test.degrees);
    return test;
}

}  // namespace

Tests testTotals(const Odds& odds, const Observed& observed) {
    Tests result;
    for (const std::uint64_t c : observed.counts)
        result.totals += c;
    result.sample = result.totals + (observed.refusalsCount ? observed.refused : 0);
    result.mean = meanTest(odds, observed, result.totals);
    result.fit = fitTest(odds, observed, result.sample);
    result.p = std::numeric_limits<double>::quiet_NaN();
    if (result.mean.done) result.p = result.mean.p;
    if (result.fit.done && !(result.fit.p >= result.p)) result.p = result.fit.p;
    if (observed.impossible > 0) result.p = 0.0;
    return result;
}

}  // namespace orvik::audit
