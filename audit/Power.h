// What an audit could have caught: the chance that a sample of so many totals, drawn from dice
// with a bias a player understands, gets its p-value to kUnlikely or below in an audit alone; and
// how many totals it takes to catch the bias 90% of the time. Worked out, not simulated: the
// mean's z as a normal with the biased dice's mean and spread, and the chi-square of the same
// pooled classes as a noncentral chi-square, the part of it that is not the mean's taken apart
// from the mean (bench/audit_calibration.cpp holds these against simulation).
#ifndef ORVIK_AUDIT_POWER_H
#define ORVIK_AUDIT_POWER_H

#include <cstdint>

#include "odds/Odds.h"

namespace orvik::audit {

using odds::Odds;

struct Bias {
    enum class Kind {
        Face,   // one die of the main roll shows face `times` as often as its odds say
        Shift,  // every total moves by shift
    };
    Kind kind = Kind::Face;
    std::int32_t face = 0;
    double times = 1.0;
    std::int64_t shift = 0;
};

// The biases every report weighs: one die's highest face half again as often, and twice as
// often, and 1 more on every total.
inline Bias topFace(const Odds& odds, double times) {
    return Bias{Bias::Kind::Face, odds.roll.sides, times, 0};
}
inline Bias plusOne() {
    return Bias{Bias::Kind::Shift, 0, 1.0, 1};
}

// The most totals a bias is searched for: as many as the most rolls of an audit give, at most.
constexpr std::uint64_t kMostCatchTotals = 30000000000000;

// Whether catching can be worked out for odds: not where answers can be refused (their chances
// hang on the bias in ways the report does not follow), nor where every roll gives one total.
bool catchKnown(const Odds& odds);

// One tested total's chances from dice with bias.
odds::Distribution biasedTotals(const Odds& odds, const Bias& bias);

// The chance that n totals drawn with chances truth get an audit alone against odds to call them
// unlikely: an answer no roll of odds gives, or a p-value of kUnlikely or below.
double chanceToCatch(const Odds& odds, const odds::Distribution& truth, std::uint64_t n);

// The fewest totals, to within half a percent, that catch truth with at least chance; 0 when
// kMostCatchTotals do not.
std::uint64_t totalsToCatch(const Odds& odds, const odds::Distribution& truth, double chance);

}  // namespace orvik::audit

#endif  // ORVIK_AUDIT_POWER_H
