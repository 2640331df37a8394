// Which answers of a roll are results. The module answers with the invalid-arguments error
// instead when a combined total falls below the 32-bit range, or when the sentence and its
// terminator do not fit the buffer it writes into; the odds leave those answers out.
#ifndef ORVIK_ODDS_RESULTODDS_H
#define ORVIK_ODDS_RESULTODDS_H

#include <cstdint>
#include <vector>

#include "odds/Distribution.h"

namespace orvik::odds {

class SharedDice;

// One group's total among the answers that are results, and the chance of the error instead.
struct Results {
    // P(the answer is a result and one group's total is t). Every group's is the same.
    Distribution totals;
    // The chance that the module answers with the invalid-arguments error instead. Those answers
    // are left out of `totals`, which then sums to 1 - errorProbability.
    double errorProbability = 0.0;
    // Where every result's chance is too small for a double to hold, or to hold with all its
    // digits: the same chances, total by total as in `totals`, each times the one power of two
    // that brings the largest near 1, so that they can still be weighed against each other (the
    // mean and deviation). Empty otherwise.
    std::vector<double> scaled;
    bool tooLow = false;   // some combined total can fall below the 32-bit range
    bool tooLong = false;  // some sentence can be too long for the buffer
    // The parts' own totals, before they are combined or any answer refused, which other
    // questions condition on: the sneak dice's (the certain 0 without them), and one group's main
    // roll alone. mainTotals is left without chances where computing it would have cost the
    // table time.
    Distribution sneakTotals;
    Distribution mainTotals{0, {}};
};

// groups totals, each one roll of main plus one total of sneak shared by all (a sneak with no
// dice for a plain roll), in a sentence with room for budget characters of totals: the buffer
// less the terminator and the sentence's fixed part. Throws DiceError with the invalid-arguments
// message when no roll can give a result, decided from the totals' range and the shortest
// sentence alone; a result whose chance rounds to 0 is still one. The dice's own chances come
// from shared when it is given (odds/SharedDice.h).
Results resultOdds(const DicePart& sneak, const DicePart& main, std::int32_t groups,
                   std::int64_t budget, SharedDice* shared = nullptr);

// Whether some sentence of groups totals may be too long for budget: then, and only then, the
// budget changes resultOdds. Cheap: it reads the totals' range alone.
bool mayNotFit(const DicePart& sneak, const DicePart& main, std::int32_t groups,
               std::int64_t budget);

}  // namespace orvik::odds

#endif  // ORVIK_ODDS_RESULTODDS_H
