#include "audit/Tests.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "audit/MeanTail.h"
#include "audit/Simulation.h"
#include "audit/Tails.h"

namespace orvik::audit {

namespace {

// n: the totals counted; tail, that of n totals, if worked out already.
MeanTest meanTest(const Odds& odds, const Observed& observed, std::uint64_t n,
                  const MeanTail* tail) {
    MeanTest test;
    // Offsets from the lowest total, so that a large modifier costs no digits; a whole number.
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < observed.counts.size(); ++i)
        sum += observed.counts[i] * static_cast<std::uint64_t>(i);
    test.expected = odds.mean;
    if (n == 0) return test;
    test.observed = static_cast<double>(odds.results.totals.lowest) +
                    static_cast<double>(sum) / static_cast<double>(n);
    const double deviation = odds.standardDeviation;
    if (n < kFewestForMean || !(deviation > 0.0) || std::isnan(odds.mean)) return test;
    test.done = true;
    test.standardError = deviation / std::sqrt(static_cast<double>(n));
    test.z = (test.observed - test.expected) / test.standardError;
    std::optional<MeanTail> own;
    if (tail == nullptr) tail = &own.emplace(odds.results.totals.probability, n);
    test.p = tail->p(sum);
    test.exact = tail->exact();
    return test;
}

FitTest fitTest(const Odds& odds, const Observed& observed, std::uint64_t sample) {
    const double error = odds.results.errorProbability;
    const bool refusalClass = observed.refusalsCount && error > 0.0;
    // Among results alone, each total's chance is its share of the results' chance; where that
    // chance rounds to 0, no class expects anything (rather than 0 / 0).
    const double results = 1.0 - error;
    const double scale = refusalClass  ? static_cast<double>(sample)
                         : results > 0 ? static_cast<double>(sample) / results
                                       : 0.0;
    FitTest test;
    test.classes = pooledClasses(odds.results.totals, scale, &observed.counts);
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
    test.chiSquareP = chiSquareAbove(test.statistic, test.degrees);
    test.p = test.chiSquareP;
    return test;
}

// The smallest line a spread's p-value meets: kUnlikely, halved for the text's two tests and
// shared among the family's audits.
double smallestLine(std::uint64_t family) {
    return kUnlikely / (2.0 * static_cast<double>(std::max<std::uint64_t>(family, 1)));
}

// The samples a simulation may draw for tests, within the cost allowed.
std::uint64_t mostDraws(const Tests& tests, std::uint64_t family) {
    const double wanted = std::ceil(kHitsAtTheLine / smallestLine(family));
    const std::uint64_t perDraw = tests.sample + tests.fit.classes.size();
    return std::min(static_cast<std::uint64_t>(wanted), kMostSimulatedTotals / perDraw);
}

}  // namespace

std::vector<FitClass> pooledClasses(const odds::Distribution& totals, double scale,
                                    const std::vector<std::uint64_t>* counts) {
    std::vector<FitClass> classes;
    FitClass open;
    bool any = false;
    for (std::size_t i = 0; i < totals.probability.size(); ++i) {
        const std::int64_t total = totals.lowest + static_cast<std::int64_t>(i);
        if (!any) open = FitClass{total, total, false, true, 0, 0.0};
        any = true;
        open.to = total;
        if (counts != nullptr) open.observed += (*counts)[i];
        open.expected += scale * totals.probability[i];
        if (open.expected >= kFewestExpected) {
            classes.push_back(open);
            any = false;
        }
    }
    if (any) {
        if (classes.empty())
            classes.push_back(open);
        else
            classes.back().join(open);
    }
    return classes;
}

double combinedP(const Tests& tests) {
    if (tests.impossible) return 0.0;
    double p = std::numeric_limits<double>::quiet_NaN();
    if (tests.mean.done) p = tests.mean.p;
    if (tests.fit.done && !(tests.fit.p >= p)) p = tests.fit.p;
    if (tests.mean.done && tests.fit.done) p = std::min(1.0, 2.0 * p);
    return p;
}

namespace {

Tests tested(const Odds& odds, const Observed& observed, const MeanTail* tail) {
    Tests result;
    for (const std::uint64_t c : observed.counts)
        result.totals += c;
    result.sample = result.totals + (observed.refusalsCount ? observed.refused : 0);
    result.mean = meanTest(odds, observed, result.totals, tail);
    result.fit = fitTest(odds, observed, result.sample);
    result.impossible = observed.impossible > 0;
    result.p = combinedP(result);
    return result;
}

}  // namespace

Tests testTotals(const Odds& odds, const Observed& observed) {
    return tested(odds, observed, nullptr);
}

Tests testTotals(const Odds& odds, const Observed& observed, const MeanTail& tail) {
    return tested(odds, observed, &tail);
}

SpreadBasis spreadBasis(const Tests& tests, std::uint64_t family) {
    if (tests.fit.simulated) return SpreadBasis::Simulated;
    double inverse = 0.0;
    for (const FitClass& c : tests.fit.classes)
        inverse += 1.0 / c.expected;
    if (inverse <= kWellFilled * static_cast<double>(tests.fit.degrees))
        return SpreadBasis::WellFilled;
    if (tests.fit.chiSquareP * kFarBelow <= smallestLine(family)) return SpreadBasis::FarBelow;
    // The text's p-value is at most the mean's doubled, whatever the spread's.
    if (tests.mean.done && tests.mean.p * kMeanFarBelow <= smallestLine(family))
        return SpreadBasis::MeanDecides;
    if (mostDraws(tests, family) < kFewestSimulations) return SpreadBasis::TooMany;
    return SpreadBasis::Simulated;
}

void simulateSpread(Tests& tests, std::uint64_t family) {
    FitTest& fit = tests.fit;
    if (!fit.done || tests.impossible || spreadBasis(tests, family) != SpreadBasis::Simulated)
        return;
    std::vector<double> expected;
    std::vector<std::uint64_t> observed;
    for (const FitClass& c : fit.classes) {
        expected.push_back(c.expected);
        observed.push_back(c.observed);
    }
    fit.seed = seedOf(observed);
    const Simulated simulated =
        simulateSpread(expected, observed, fit.seed, mostDraws(tests, family), kSimulationHits);
    fit.simulated = true;
    fit.p = simulated.p;
    fit.draws = simulated.draws;
    fit.reached = simulated.reached;
    tests.p = combinedP(tests);
}

}  // namespace orvik::audit
