// The odds of a roll text: what one group's total can be, and how likely each total is.
#ifndef ORVIK_ODDS_ODDS_H
#define ORVIK_ODDS_ODDS_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dice/Parse.h"
#include "odds/Distribution.h"
#include "odds/ResultOdds.h"

namespace orvik::odds {

struct Odds {
    std::int32_t groups = 1;  // every group's total has the same distribution
    DicePart roll;            // the main roll
    bool sneak = false;       // when set, sneakDice is added once to every group
    DicePart sneakDice;
    // The totals of the answers that are results. The module answers with the invalid-arguments
    // error instead for a combined total below the 32-bit range, or for a sentence that does not
    // fit the buffer it assumes the host has; the mean and deviation are of results alone.
    Results results;
    std::size_t hostBuffer = 0;  // the bytes the module assumes that buffer holds
    std::int64_t budget = 0;     // of that, what the totals' texts may take together
    // Exact where nothing can be refused; otherwise weighed by the results' chances, scaled where
    // those are too small for a double, so numbers however small the chance of a result.
    double mean = 0.0;
    double standardDeviation = 0.0;
};

// The odds of a plain roll text, read by the module's own parser and limits. Throws
// orvik::DiceError with the module's message for a text the module refuses, the invalid-arguments
// one when no answer can be a result. Each takes its dice's chances from shared when it is given,
// so that texts of the same dice share the work (odds/SharedDice.h).
Odds rollOdds(const char* text, SharedDice* shared = nullptr);

// The same for a text already read as parseRoll reads it.
Odds rollOdds(const char* text, const ParsedRoll& roll, SharedDice* shared = nullptr);

// The odds of "<sneak dice> <main roll>": the sneak dice's first group added to each main total.
Odds sneakOdds(const char* text, SharedDice* shared = nullptr);

// The same for a text whose two rolls are already read as parseRoll reads them.
Odds sneakOdds(const char* text, const ParsedRoll& sneak, const ParsedRoll& main,
               SharedDice* shared = nullptr);

// The same roll with other dice: ideal ones, every face of every die equally likely (as a real
// die's, or another module's), or Orvik's; the same answers refused.
Odds withFaces(const Odds& odds, Faces faces);

// odds made those of the same roll with faces, in place: nothing to work out where they are
// already.
void toFaces(Odds& odds, Faces faces);

// What a text's odds depend on. Texts with the same key have the same odds (the host buffer's
// size aside), whatever their free text: the room the sentence leaves the totals' texts is part
// of it only where some sentence may not fit, and is -1 elsewhere.
struct OddsKey {
    bool sneak = false;
    std::int32_t groups = 0;
    DicePart roll;
    DicePart sneakDice;
    std::int64_t budget = -1;

    bool operator==(const OddsKey& other) const;
};

// The keys of the texts rollOdds and sneakOdds take, already read, without working out the odds.
OddsKey rollKey(const char* text, const ParsedRoll& roll);
OddsKey sneakKey(const char* text, const ParsedRoll& sneak, const ParsedRoll& main);

// P(the answer is a result and the total is t or more), for each total of odds.results. For the
// lowest total it is exactly 1 - errorProbability, and none is more, unless errorProbability is
// over 1/2: then the totals' own sums, which keep the digits of a tiny chance of a result.
std::vector<double> atLeast(const Odds& odds);

// P(the answer is a result and the total is t or less), for each total of odds.results, with
// the care atLeast takes at the lowest taken at the highest.
std::vector<double> atMost(const Odds& odds);

// p[i] + ... + p[last] for each i, of chances of results that sum to 1 - errorProbability, with
// the care atLeast takes at the first.
std::vector<double> orMore(const std::vector<double>& p, double errorProbability);

// p[0] + ... + p[i] for each i, with that care at the last.
std::vector<double> orLess(const std::vector<double>& p, double errorProbability);

}  // namespace orvik::odds

#endif  // ORVIK_ODDS_ODDS_H
