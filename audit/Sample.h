// What an audit tests: the totals a module answered for one roll text, and which of them count.
#ifndef ORVIK_AUDIT_SAMPLE_H
#define ORVIK_AUDIT_SAMPLE_H

#include <cstdint>
#include <string>
#include <vector>

#include "odds/Odds.h"
#include "report/AnswerReader.h"

namespace orvik::audit {

using odds::Odds;

// Which totals of an answer are counted. A sample's totals must be independent: the groups of a
// plain roll are, but a sneak attack's share its sneak dice, and where an answer can be refused
// whether it is depends on all its groups. Then only each answer's first group is counted.
bool countsEveryGroup(const Odds& odds);

// What a module answered for one text.
struct Observed {
    std::uint64_t answers = 0;  // every answer, whatever it was
    // counts[i]: totals of lowest + i counted, for the totals the odds allow (lowest to highest
    // of odds.results.totals).
    std::vector<std::uint64_t> counts;
    std::uint64_t refused = 0;     // answers that were the invalid-arguments error
    bool refusalsCount = false;    // refused answers are part of the sample (rolled, not read)
    std::uint64_t impossible = 0;  // answers no roll of the text gives
    std::string firstImpossible;   // what the first of them was, to name it

    explicit Observed(const Odds& odds) : counts(odds.results.totals.probability.size(), 0) {}

    // Counts one group's total when tested, and records it as impossible when the odds give it
    // no chance, tested or not.
    void count(const Odds& odds, std::int64_t total, bool tested = true);
    // An answer, or one of its totals, that no roll of the text gives: what it was.
    void countImpossible(const std::string& what);
};

// One answer of the text's sentence: its totals counted as countsEveryGroup says, or the answer
// named as impossible (a total too long to read, or another number of totals than groups).
void countAnswer(const Odds& odds, const LoggedAnswer& answer, Observed& seen);

}  // namespace orvik::audit

#endif  // ORVIK_AUDIT_SAMPLE_H
