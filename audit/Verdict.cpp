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

}  // namespace

Verdict verdictOf(const Odds& odds, const Observed& observed, const Tests& tests) {
    Verdict verdict;
    verdict.p = tests.p;
    if (observed.impossible > 0) {
        verdict.kind = Verdict::Kind::Impossible;
    } else if (std::isnan(tests.p)) {
        const bool oneTotal =
            odds.results.totals.probability.size() == 1 && odds.results.errorProbability == 0.0;
        verdict.kind = oneTotal ? Verdict::Kind::OneTotal : Verdict::Kind::TooFew;
    } else if (tests.p <= kUnlikely) {
        verdict.kind = Verdict::Kind::Unlikely;
        // A failing mean is taken as the dice's own: a loaded die moves it first, and the pattern
        // moves it only in a few shapes, seldom (doc/odds.md).
        const bool spreadAlone = tests.fit.done && tests.fit.p <= kUnlikely &&
                                 !(tests.mean.done && tests.mean.p <= kUnlikely);
        verdict.generatorMayCause = spreadAlone && tests.sample >= kGeneratorPatternSample &&
                                    generatorPatternPossible(odds);
    } else {
        verdict.kind = tests.p < kUnclear ? Verdict::Kind::Unclear : Verdict::Kind::Fair;
        verdict.smallSample = tests.sample < kSmallSample;
    }
    return verdict;
}

}  // namespace orvik::audit
