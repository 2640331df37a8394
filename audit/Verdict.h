// What an audit concludes for one roll text, decided here once: the exit status, the text report
// and the JSON all read this one value.
#ifndef ORVIK_AUDIT_VERDICT_H
#define ORVIK_AUDIT_VERDICT_H

#include <cstdint>

#include "audit/Tests.h"

namespace orvik::audit {

// The p-value at or below which the audit calls totals very unlikely, and below which a chance
// result is no longer taken for granted.
constexpr double kUnlikely = 0.001;
constexpr double kUnclear = 0.05;
// Below this many totals even a fair test can show only a large bias, and the verdict says so.
constexpr std::uint64_t kSmallSample = 1000;
// Below this many totals tested Orvik's own dice of every shape measured fail the spread test no
// more often than independent dice (bench/generator_pattern.cpp; doc/odds.md).
constexpr std::uint64_t kGeneratorPatternSample = 12;
// Fewer dice with an even number of sides in a total never failed the spread test more often
// than independent dice, at any sample measured (2d6 to 4d20 and 6d6 up to a million totals);
// 5d4, 8d2, 8d8, 16d6 and more did (bench/generator_pattern.cpp; doc/odds.md).
constexpr std::int64_t kFewestEvenDice = 5;

struct Verdict {
    enum class Kind {
        Impossible,  // some answer no roll of the text gives: p = 0
        OneTotal,    // every roll of the text gives the same total: nothing to test
        TooFew,      // no test could be done
        Unlikely,    // p at or below kUnlikely
        Unclear,     // p below kUnclear
        Fair,
    };
    Kind kind = Kind::TooFew;
    double p = 0.0;            // the tests' smaller p-value, as Tests::p
    bool smallSample = false;  // Unclear or Fair on fewer than kSmallSample totals
    // Unlikely where Orvik's own generator may be the cause: its lowest bits' short period shows
    // in rolls of several dice with an even number of sides, which the odds take as independent,
    // and only in their spread, and only from kGeneratorPatternSample totals on.
    bool generatorMayCause = false;

    // What the exit status and the JSON's "unlikely" say: totals that fair dice would not give.
    bool unlikely() const { return kind == Kind::Impossible || kind == Kind::Unlikely; }
};

Verdict verdictOf(const Odds& odds, const Observed& observed, const Tests& tests);

}  // namespace orvik::audit

#endif  // ORVIK_AUDIT_VERDICT_H
