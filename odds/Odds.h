// The odds of a roll text: what one group's total can be, and how likely each total is.
#ifndef ORVIK_ODDS_ODDS_H
#define ORVIK_ODDS_ODDS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "odds/Distribution.h"

namespace orvik::odds {

// What one record rolls per group: dice of sides faces, then the modifier (already multiplied).
struct DicePart {
    std::int32_t dice = 0;
    std::int32_t sides = 1;
    std::int32_t modifier = 0;
};

struct Odds {
    std::int32_t groups = 1;  // every group's total has the same distribution
    DicePart roll;            // the main roll
    bool sneak = false;       // when set, sneakDice is added once to every group
    DicePart sneakDice;
    // P(the answer is a result and one group's total is t). Every group's is the same.
    Distribution totals;
    // The chance that the module answers with the invalid-arguments error instead: for a
    // combined total below the 32-bit range, or for a sentence that does not fit the buffer it
    // assumes the host has. Those answers are left out of `totals` (which then sums to
    // 1 - errorProbability), and the mean and deviation are of results alone.
    double errorProbability = 0.0;
    bool tooLow = false;         // some combined total can fall below the range
    bool tooLong = false;        // some sentence can be too long for the buffer
    std::size_t hostBuffer = 0;  // the bytes the module assumes that buffer holds
    double mean = 0.0;
    double standardDeviation = 0.0;
};

// The odds of a plain roll text, read by the module's own parser and limits. Throws
// orvik::DiceError with the module's message for a text the module refuses, the invalid-arguments
// one when no answer can be a result.
Odds rollOdds(const char* text);

// The odds of "<sneak dice> <main roll>": the sneak dice's first group added to each main total.
Odds sneakOdds(const char* text);

// P(the answer is a result and the total is t or more), for each total of odds.totals. For the
// lowest total it is exactly 1 - errorProbability, and none is more, unless errorProbability is
// over 1/2: then the totals' own sums, which keep the digits of a tiny chance of a result.
std::vector<double> atLeast(const Odds& odds);

// A report for people: the summary, then a table of totals with their probabilities and a bar
// chart. Ends without a newline.
std::string formatText(const std::string& text, const Odds& odds);

// One line of JSON (no newline) holding every total; see the README for its shape.
std::string formatJson(const std::string& text, const Odds& odds);

// The same for a text the module refuses.
std::string formatJsonError(const std::string& text, const char* message);

// Answers texts one after another for the command: blank lines between text reports, one JSON
// object per line.
class Answers {
  public:
    Answers(bool sneak, bool json) : sneak_(sneak), json_(json) {}

    // Sets out to the answer for text (without a final newline). False for a dice error.
    bool answer(const char* text, std::size_t length, std::string& out);

  private:
    bool sneak_;
    bool json_;
    bool first_ = true;
};

}  // namespace orvik::odds

#endif  // ORVIK_ODDS_ODDS_H
