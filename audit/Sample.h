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

// What counting a text's answers needs of its odds, in far less memory than their chances: its
// groups, which of them are tested, and which totals a group can hold (a chance above 0).
class AnswerShape {
  public:
    explicit AnswerShape(const Odds& odds);

    std::int32_t groups() const { return groups_; }
    bool everyGroup() const { return everyGroup_; }
    std::int64_t lowest() const { return lowest_; }
    bool possible(std::int64_t total) const {
        return total >= lowest_ && total - lowest_ < static_cast<std::int64_t>(possible_.size()) &&
               possible_[static_cast<std::size_t>(total - lowest_)];
    }

  private:
    std::int32_t groups_;
    bool everyGroup_;
    std::int64_t lowest_;
    std::vector<bool> possible_;
};

// What a module answered for one text.
struct Observed {
    std::uint64_t answers = 0;  // every answer, whatever it was
    // counts[i]: totals of lowest + i counted, for the totals the odds allow (lowest to highest
    // of odds.results.totals).
    std::vector<std::uint64_t> counts;
    std::uint64_t refused = 0;     // answers that were the invalid-arguments error
    bool refusalsCount = false;    // refused answers are part of the sample (rolled, not read)
    std::uint64_t impossible = 0;  // answers no roll of the text gives
    std::string firstImpossible;   // what the first of them held, to name it

    Observed() = default;
    explicit Observed(const Odds& odds) : counts(odds.results.totals.probability.size(), 0) {}

    // An answer that no roll of the text gives: what it held.
    void countImpossible(const std::string& what);
};

// One answer of the text's sentence, into seen: its tested totals that a roll can give handed to
// count(total), and the answer counted as impossible, once, when it holds what no roll gives,
// named by the first such thing (a total no roll gives, a total too long to read, or another
// number of totals than groups).
template <typename Count>
void countAnswer(const AnswerShape& shape, const LoggedAnswer& answer, Observed& seen,
                 Count count) {
    ++seen.answers;
    if (!answer.unreadable.empty()) return seen.countImpossible(answer.unreadable);
    if (answer.totalCount != static_cast<std::uint64_t>(shape.groups())) {
        const auto plural = [](std::uint64_t n, const char* one) {
            return std::to_string(n) + " " + one + (n == 1 ? "" : "s");
        };
        return seen.countImpossible(plural(answer.totalCount, "total") + " for " +
                                    plural(static_cast<std::uint64_t>(shape.groups()), "group"));
    }
    // The totals that a roll can give still count where they are tested.
    const std::size_t tested = shape.everyGroup() ? answer.totals.size() : 1;
    const std::int64_t* impossible = nullptr;
    for (std::size_t g = 0; g < answer.totals.size(); ++g) {
        const std::int64_t& total = answer.totals[g];
        if (!shape.possible(total)) {
            if (impossible == nullptr) impossible = &total;
        } else if (g < tested) {
            count(total);
        }
    }
    if (impossible != nullptr) seen.countImpossible(std::to_string(*impossible));
}

// The same, counted into seen's own counts, which odds sized.
void countAnswer(const AnswerShape& shape, const LoggedAnswer& answer, Observed& seen);

}  // namespace orvik::audit

#endif  // ORVIK_AUDIT_SAMPLE_H
