// Were the dice fair? Totals that a module gave for one roll text, tested against the text's
// exact odds: their mean in standard errors, and a chi-square test of how they spread.
#ifndef ORVIK_AUDIT_TESTS_H
#define ORVIK_AUDIT_TESTS_H

#include <cstdint>
#include <vector>

#include "audit/Sample.h"

namespace orvik::audit {

// The samples below which a test says nothing: the z-test of the mean leans on the central limit
// theorem, and the chi-square test needs two classes of at least 5 expected totals.
constexpr std::uint64_t kFewestForMean = 30;
constexpr double kFewestExpected = 5.0;

struct MeanTest {
    bool done = false;  // enough totals, and totals that vary
    double observed = 0.0;
    double expected = 0.0;
    double standardError = 0.0;
    double z = 0.0;
    double p = 1.0;
};

// One class of the chi-square test: adjacent totals pooled, or the refused answers (which are
// pooled with the highest totals when too few are expected for a class of their own).
struct FitClass {
    std::int64_t from = 0;
    std::int64_t to = 0;
    bool refusals = false;  // the class holds the refused answers
    bool totals = true;     // the class holds totals from to to (false: refusals alone)
    std::uint64_t observed = 0;
    double expected = 0.0;

    // Takes in the class that follows: its totals, if any, and its counts.
    void join(const FitClass& next) {
        if (next.totals) to = next.to;
        refusals = refusals || next.refusals;
        observed += next.observed;
        expected += next.expected;
    }
};

struct FitTest {
    bool done = false;  // two classes or more
    std::vector<FitClass> classes;
    double statistic = 0.0;
    std::int64_t degrees = 0;
    double p = 1.0;
};

struct Tests {
    std::uint64_t totals = 0;  // totals tested
    std::uint64_t sample = 0;  // totals and refusals tested
    MeanTest mean;
    FitTest fit;
    // The smaller p-value of the tests done; 0 when some answer is impossible; NaN when no test
    // could be done.
    double p = 0.0;
};

// Tests observed against odds. Refused answers are a class of their own when they count and the
// odds give them a chance; otherwise the totals' chances are taken among results alone.
Tests testTotals(const Odds& odds, const Observed& observed);

}  // namespace orvik::audit

#endif  // ORVIK_AUDIT_TESTS_H
