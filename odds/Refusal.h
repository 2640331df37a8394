// Which answers of a roll are results. The module answers with the invalid-arguments error
// instead when a combined total falls below the 32-bit range, or when the sentence and its
// terminator do not fit the buffer it writes into; the odds leave those answers out.
#ifndef ORVIK_ODDS_REFUSAL_H
#define ORVIK_ODDS_REFUSAL_H

#include <cstdint>
#include <limits>
#include <vector>

#include "odds/Distribution.h"
#include "odds/Odds.h"

namespace orvik::odds {

// The lowest total the module writes.
inline constexpr std::int64_t kLowestTotal = std::numeric_limits<std::int32_t>::min();

// Totals first to last whose decimal texts are all length characters long.
struct LengthRun {
    std::int64_t first;
    std::int64_t last;
    int length;
};

// first to last (first <= last), cut where the length of the totals' text changes.
std::vector<LengthRun> lengthRuns(std::int64_t first, std::int64_t last);

// One group's total among the answers that are results, and the chance of the error instead.
struct Results {
    Distribution totals;  // P(the answer is a result and the first group's total is t)
    double errorProbability = 0.0;
    bool tooLow = false;   // some combined total can fall below kLowestTotal
    bool tooLong = false;  // some sentence can be too long
    // The sneak dice's totals (the certain 0 without them), and one group's main roll alone: what
    // other questions condition on. main is left without chances where computing it would have
    // cost the table time.
    Distribution sneak;
    Distribution main{0, {}};
};

// The totals of one roll of part, none refused.
Distribution totalsOf(const DicePart& part);

// groups totals, each one roll of main plus one total of sneak shared by all (a sneak with no
// dice for a plain roll), in a sentence with room for budget characters of totals: the buffer
// less the terminator and the sentence's fixed part. Throws DiceError with the invalid-arguments
// message when no answer can be a result.
Results resultOdds(const DicePart& sneak, const DicePart& main, std::int32_t groups,
                   std::int64_t budget);

}  // namespace orvik::odds

#endif  // ORVIK_ODDS_REFUSAL_H
