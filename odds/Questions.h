// What players ask of a roll beyond the table of its totals: how many groups reach a target, and
// how one roll fares against another.
#ifndef ORVIK_ODDS_QUESTIONS_H
#define ORVIK_ODDS_QUESTIONS_H

#include <cstdint>
#include <vector>

#include "odds/Odds.h"

namespace orvik::odds {

// How many of a roll's groups reach target, among the answers that are results.
struct TargetOdds {
    std::int64_t target = 0;
    // P(the answer is a result and one group's total is target or more).
    double reach = 0.0;
    // exactly[k]: P(the answer is a result and exactly k groups reach target), k = 0 to groups.
    // With the error's chance they sum to 1.
    std::vector<double> exactly;
};

// Exact, over the sneak total that all groups share and the lengths of their texts where a
// sentence may not fit.
TargetOdds targetOdds(const Odds& odds, std::int64_t target);

// exactly[k] + ... + exactly[groups], for each k, with the same care at 0 as atLeast takes.
std::vector<double> kOrMore(const Odds& odds, const TargetOdds& reaching);

// One total of a roll against one total of another, rolled apart.
struct Contest {
    double greater = 0.0;  // P(both answers are results and a's total is the greater)
    double equal = 0.0;
    double less = 0.0;
    double errorProbability = 0.0;  // P(either answer is the error); the four sum to 1
};

Contest contest(const Odds& a, const Odds& b);

}  // namespace orvik::odds

#endif  // ORVIK_ODDS_QUESTIONS_H
