// Were the dice fair? Totals that a module gave for one roll text, tested against the text's
// exact odds: their mean in standard errors, and a chi-square test of how they spread.
#ifndef ORVIK_ODDS_AUDIT_H
#define ORVIK_ODDS_AUDIT_H

#include <cstdint>
#include <string>
#include <vector>

#include "odds/Odds.h"

namespace orvik::odds {

// Which totals of an answer are counted. A sample's totals must be independent: the groups of a
// plain roll are, but a sneak attack's share its sneak dice, and where an answer can be refused
// whether it is depends on all its groups. Then only each answer's first group is counted.
bool countsEveryGroup(const Odds& odds);

// What a module answered for one text.
struct Observed {
    std::uint64_t answers = 0;  // every answer, whatever it was
    // counts[i]: totals of lowest + i counted, for the totals the odds allow (lowest to highest
    // of odds.results.totals).
    std::vector<std::uint64_t> counts;
    std::uint64_t refused = 0;     // answers that were the invalid-arguments error
    bool refusalsCount = false;    // refused answers are part of the sample (rolled, not read)
    std::uint64_t impossible = 0;  // answers no roll of the text gives
    std::string firstImpossible;   // what the first of them was, to name it

    explicit Observed(const Odds& odds) : counts(odds.results.totals.probability.size(), 0) {}

    // Counts one group's total when tested, and records it as impossible when the odds give it
    // no chance, tested or not.
    void count(const Odds& odds, std::int64_t total, bool tested = true);
    // An answer, or one of its totals, that no roll of the text gives: what it was.
    void countImpossible(const std::string& what);
};

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

struct Audit {
    std::uint64_t totals = 0;  // totals tested
    std::uint64_t sample = 0;  // totals and refusals tested
    MeanTest mean;
    FitTest fit;
    // The smaller p-value of the tests done; 0 when some answer is impossible; NaN when no test
    // could be done.
    double p = 0.0;
};

// The p-value at or below which the audit calls totals very unlikely.
constexpr double kUnlikely = 0.001;

// Tests observed against odds. Refused answers are a class of their own when they count and the
// odds give them a chance; otherwise the totals' chances are taken among results alone.
Audit audit(const Odds& odds, const Observed& observed);

}  // namespace orvik::odds

#endif  // ORVIK_ODDS_AUDIT_H
