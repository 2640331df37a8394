// The odds of a roll text: what one group's total can be, and how likely each total is.
#ifndef ORVIK_ODDS_ODDS_H
#define ORVIK_ODDS_ODDS_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
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
    std::int64_t budget = 0;     // of that, what the totals' texts may take together
    // The parts' own totals, before they are combined or any answer refused; mainTotals has no
    // chances when the table did not need it (see mainTotalsOf).
    Distribution sneakTotals;
    Distribution mainTotals{0, {}};
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

// p[i] + ... + p[last] for each i, of chances of results that sum to 1 - errorProbability, with
// the care atLeast takes at the first.
std::vector<double> orMore(const std::vector<double>& p, double errorProbability);

// What the command asks of a text: the table of its totals, the chance of reaching a target, or
// a contest against another text.
struct Question {
    enum class Kind { Table, AtLeast, Versus };
    Kind kind = Kind::Table;
    std::int64_t target = 0;  // AtLeast: the total to reach
    std::string versus;       // Versus: the other text
};

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

// One group's main roll alone: kept in odds, or its totals themselves, or else computed into
// scratch.
const Distribution& mainTotalsOf(const Odds& odds, Distribution& scratch);

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
    Answers(bool sneak, bool json, Question question = {})
        : sneak_(sneak), json_(json), question_(std::move(question)) {}

    // Sets out to the answer for text (without a final newline). False for a dice error.
    bool answer(const char* text, std::size_t length, std::string& out);

  private:
    Odds oddsOf(const std::string& text) const;
    std::string report(const std::string& text, const Odds& odds);
    std::string refusal(const std::string& text, const char* message, bool versus) const;

    bool sneak_;
    bool json_;
    Question question_;
    bool first_ = true;
    // The other text's odds for a contest, or its refusal: worked out at the first answer.
    bool versusKnown_ = false;
    std::unique_ptr<Odds> versus_;
    std::string versusError_;
};

}  // namespace orvik::odds

#endif  // ORVIK_ODDS_ODDS_H
