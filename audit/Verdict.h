// What an audit concludes for one roll text, decided here once: the exit status, the text report
// and the JSON all read this one value.
#ifndef ORVIK_AUDIT_VERDICT_H
#define ORVIK_AUDIT_VERDICT_H

#include <cstdint>

#include "audit/Tests.h"

namespace orvik::audit {

// Below this many totals even a fair test can show only a large bias, and the verdict says so
// where it cannot say which biases the sample could have caught.
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
        Unlikely,    // the adjusted p at or below kUnlikely
        Unclear,     // the adjusted p below kUnclear
        Fair,
    };
    Kind kind = Kind::TooFew;
    double p = 0.0;  // the text's own p-value, as Tests::p
    // Its p-value adjusted for the family of audits whose verdicts are given together (Holm's), on
    // which the verdict goes; p itself for an audit alone.
    double adjusted = 0.0;
    std::uint64_t family = 1;  // the audits of that family with a p-value
    std::uint64_t sample = 0;  // the totals and refusals tested
    bool smallSample = false;  // Unclear or Fair on fewer than kSmallSample totals
    // Unlikely where Orvik's own generator may be the cause: its lowest bits' short period shows
    // in rolls of several dice with an even number of sides, which the odds take as independent,
    // and only in their spread, and only from kGeneratorPatternSample totals on.
    bool generatorMayCause = false;
    // Orvik's generator could show its pattern in these totals: the note goes with an unlikely
    // verdict that the spread gives.
    bool patternPossible = false;

    // What the exit status and the JSON's "unlikely" say: totals that fair dice would not give.
    bool unlikely() const { return kind == Kind::Impossible || kind == Kind::Unlikely; }
};

// The verdict on tests of observed against odds, for an audit alone.
Verdict verdictOf(const Odds& odds, const Observed& observed, const Tests& tests);

// The verdict of an audit alone, given again, on tests settled since, among family audits with
// a p-value, by its p-value adjusted among them.
Verdict amongOthers(Verdict alone, const Tests& tests, double adjusted, std::uint64_t family);

}  // namespace orvik::audit

#endif  // ORVIK_AUDIT_VERDICT_H
