// An audit that may be looked at again and again: a log audited after every session gets a new
// chance of a false alarm from its one-look p-value each time. The anytime figure is an e-value:
// a mixture of likelihood ratios of the counts against alternatives that keep the totals
// independent (any chances for the totals, from a Dirichlet prior centred on the odds; and the
// odds tilted towards higher or lower totals, over a range of tilts), averaged. Under the odds it
// is a nonnegative martingale of expectation 1 as the totals come in, whatever their order, so
// by Ville's inequality the chance that it ever reaches 1/a, at any of however many looks, is at
// most a. It depends on the counts alone.
#ifndef ORVIK_AUDIT_ANYTIME_H
#define ORVIK_AUDIT_ANYTIME_H

#include <cstddef>
#include <vector>

#include "audit/Sample.h"

namespace orvik::audit {

// The natural logarithm of the e-value of observed against odds: 0 (an e-value of 1) before
// any total. Refused answers count as a class of their own where they are part of the sample.
// anytime: anytimeOddsOf(odds), where it was worked out already.
struct AnytimeOdds;
double logEValue(const Odds& odds, const Observed& observed, const AnytimeOdds* anytime = nullptr);

// What the e-value needs of odds, whatever the counts: worked out once for every audit of the
// same odds (a log's text and its rollers'), since the tilts take an exponential for every total
// and tilt.
struct AnytimeOdds {
    double resultsChance = 0.0;  // the chance that an answer is a result
    std::size_t totals = 0;      // the totals with a chance

    double mean = 0.0;      // of the totals, as offsets from the lowest, among results
    double variance = 0.0;  // of the same
    // log E[e^(t (X - mean))] for each tilt t, in kTilts' order, up then down; empty where the
    // totals do not vary.
    std::vector<double> logMoments;
};
AnytimeOdds anytimeOddsOf(const Odds& odds);

// exp(logE), the largest double where that is more (an infinite e-value included).
double eValueOf(double logE);

}  // namespace orvik::audit

#endif  // ORVIK_AUDIT_ANYTIME_H
