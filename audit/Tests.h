// Were the dice fair? Totals that a module gave for one roll text, tested against the text's
// exact odds: their mean, and a chi-square test of how they spread, combined into one p-value.
#ifndef ORVIK_AUDIT_TESTS_H
#define ORVIK_AUDIT_TESTS_H

#include <cstdint>
#include <vector>

#include "audit/Sample.h"

namespace orvik::audit {

// The p-value at or below which the audit calls totals very unlikely, and below which a chance
// result is no longer taken for granted.
constexpr double kUnlikely = 0.001;
constexpr double kUnclear = 0.05;

// The samples below which a test says nothing: the mean's, so that a handful of totals is not
// judged, and the chi-square test needs two classes of at least 5 expected totals.
constexpr std::uint64_t kFewestForMean = 30;
constexpr double kFewestExpected = 5.0;

// The chi-square's tail is trusted where the classes' small counts add little to its spread: the
// sum over the classes of 1 / expected, which is what they add to its variance beyond the
// chi-square's 2 (classes - 1), at most this share of the degrees of freedom (classes of 100
// expected each, or fewer among larger ones). Otherwise its far tail is too light
// (bench/audit_calibration.cpp; doc/odds.md), and the spread's p-value is simulated instead.
constexpr double kWellFilled = 0.01;
// A simulation stops once this many drawn samples have reached the observed statistic, which
// puts the p-value within about a tenth of itself.
constexpr std::uint64_t kSimulationHits = 100;
// At most this many totals are drawn for one simulated p-value (a quarter of a second on an idle
// core); and at least this many samples, or the chi-square's tail is kept.
constexpr std::uint64_t kMostSimulatedTotals = 50000000;
constexpr std::uint64_t kFewestSimulations = 1000;
// Drawn until the smallest line the p-value meets is this many hits away, at most.
constexpr double kHitsAtTheLine = 10.0;
// A chi-square p-value this many times below that line is not simulated: its tail's error where
// classes sit near 5 grows into the far tail (2 to 5 times too small at 1e-5 and beyond), but
// not near 10,000 times, so the verdicts it decides are right and their share of false alarms
// stays a small part of the line's.
constexpr double kFarBelow = 10000.0;
// Nor is the spread simulated beside a mean whose p-value is this many times below the line: the
// text's p-value is then at most the mean's doubled, whatever the spread's.
constexpr double kMeanFarBelow = 100.0;

struct MeanTest {
    bool done = false;  // enough totals, and totals that vary
    double observed = 0.0;
    double expected = 0.0;
    double standardError = 0.0;
    double z = 0.0;
    double p = 1.0;
    bool exact = false;  // p is exact; otherwise the saddlepoint's
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

// The classes of a chi-square test of totals with these chances (of totals.lowest + i, scaled to
// expected counts by scale), each observed counts[i] times (none when counts is null): adjacent
// totals pooled, lowest first, until each class expects kFewestExpected; what is left at the top
// joins the class below it.
std::vector<FitClass> pooledClasses(const odds::Distribution& totals, double scale,
                                    const std::vector<std::uint64_t>* counts);

struct FitTest {
    bool done = false;  // two classes or more
    std::vector<FitClass> classes;
    double statistic = 0.0;
    std::int64_t degrees = 0;
    double p = 1.0;             // the chi-square's tail, or the simulated p-value
    double chiSquareP = 1.0;    // the chi-square's tail
    bool simulated = false;     // p is simulated
    std::uint64_t draws = 0;    // the samples simulated
    std::uint64_t reached = 0;  // those that spread as far as the totals
    std::uint64_t seed = 0;     // the simulation's, from the counts
};

// Why the spread's p-value is the chi-square's tail rather than simulated.
enum class SpreadBasis {
    WellFilled,   // the classes are full enough for the tail
    FarBelow,     // it is far below every line it meets
    MeanDecides,  // the mean's p-value alone puts the text's far below every line
    TooMany,      // too many totals to simulate within the cost allowed
    Simulated,    // it is simulated
};

struct Tests {
    std::uint64_t totals = 0;  // totals tested
    std::uint64_t sample = 0;  // totals and refusals tested
    MeanTest mean;
    FitTest fit;
    // The text's one p-value: the smaller of the two tests' doubled (Bonferroni's bound, so that
    // the chance of it falling to a under fair dice is at most a), or the one test done; 0 when
    // some answer is impossible; NaN when no test could be done.
    double p = 0.0;
    bool impossible = false;
};

// Tests observed against odds, the spread by the chi-square's tail. Refused answers are a class of
// their own when they count and the odds give them a chance; otherwise the totals' chances are
// taken among results alone.
Tests testTotals(const Odds& odds, const Observed& observed);

class MeanTail;
// The same with the mean's tail for as many totals as observed worked out already, as a program
// that tests many samples of one size does once.
Tests testTotals(const Odds& odds, const Observed& observed, const MeanTail& tail);

// Whether the spread's p-value is simulated, and why not, for tests whose p-value is compared
// with kUnlikely shared among family audits (Holm's smallest line).
SpreadBasis spreadBasis(const Tests& tests, std::uint64_t family);

// Simulates the spread's p-value where spreadBasis says so, and combines the p-value again.
void simulateSpread(Tests& tests, std::uint64_t family);

// The text's one p-value of its tests, as Tests::p.
double combinedP(const Tests& tests);

}  // namespace orvik::audit

#endif  // ORVIK_AUDIT_TESTS_H
