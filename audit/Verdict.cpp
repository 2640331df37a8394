#include "audit/Verdict.h"

#include <cmath>

namespace orvik::audit {

namespace {

// A face of an even number of sides keeps the generator's lowest output bit, so a total that sums
// enough such dice can show that bit's pattern.
bool generatorPatternPossible(const Odds& odds) {
    const auto even = [](const odds::DicePart& part) {
        return part.sides % 2 == 0 ? std::int64_t{part.dice} : 0;
    };
    const std::int64_t dice = even(odds.roll) + (odds.sneak ? even(odds.sneakDice) : 0);
    return dice >= kFewestEvenDice;
}

// The kind of a verdict with a p-value, by the p-value it goes on.
void decide(Verdict& verdict, const Tests& tests) {
    verdict.p = tests.p;
    verdict.generatorMayCause = false;
    verdict.smallSample = false;
    if (verdict.adjusted <= kUnlikely) {
        verdict.kind = Verdict::Kind::Unlikely;
        // A failing mean is taken as the dice's own: a loaded die moves it first, and the
        // pattern moves it only in a few shapes, seldom (doc/odds.md). So the note goes only
        // where the spread gives the p-value and the mean alone would not have called the totals
        // unlikely.
        const bool spreadAlone = tests.fit.done &&
                                 !(tests.mean.done && tests.mean.p <= tests.fit.p) &&
                                 !(tests.mean.done && 2.0 * tests.mean.p <= kUnlikely);
        verdict.generatorMayCause = spreadAlone && verdict.patternPossible;
    } else {
        verdict.kind = verdict.adjusted < kUnclear ? Verdict::Kind::Unclear : Verdict::Kind::Fair;
        verdict.smallSample = verdict.sample < kSmallSample;
    }
}

}  // namespace

Verdict verdictOf(const Odds& odds, const Observed& observed, const Tests& tests) {
    Verdict verdict;
    verdict.p = verdict.adjusted = tests.p;
    verdict.sample = tests.sample;
    if (observed.impossible > 0) {
        verdict.kind = Verdict::Kind::Impossible;
        return verdict;
    }
    if (std::isnan(tests.p)) {
        const bool oneTotal =
            odds.results.totals.probability.size() == 1 && odds.results.errorProbability == 0.0;
        verdict.kind = oneTotal ? Verdict::Kind::OneTotal : Verdict::Kind::TooFew;
        return verdict;
    }
    // Ideal dice draw from no generator.
    verdict.patternPossible = tests.sample >= kGeneratorPatternSample &&
                              odds.roll.faces == odds::Faces::Orvik &&
                              generatorPatternPossible(odds);
    decide(verdict, tests);
    return verdict;
}

Verdict amongOthers(Verdict alone, const Tests& tests, double adjusted, std::uint64_t family) {
    alone.family = family;
    if (alone.kind == Verdict::Kind::Impossible || alone.kind == Verdict::Kind::OneTotal ||
        alone.kind == Verdict::Kind::TooFew)
        return alone;
    alone.adjusted = adjusted;
    decide(alone, tests);
    return alone;
}

}  // namespace orvik::audit
