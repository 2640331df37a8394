#include "audit/Sample.h"

namespace orvik::audit {

bool countsEveryGroup(const Odds& odds) {
    return !odds.sneak && odds.results.errorProbability == 0.0;
}

AnswerShape::AnswerShape(const Odds& odds)
    : groups_(odds.groups),
      everyGroup_(countsEveryGroup(odds)),
      lowest_(odds.results.totals.lowest) {
    const std::vector<double>& p = odds.results.totals.probability;
    possible_.reserve(p.size());
    for (const double chance : p)
        possible_.push_back(chance > 0.0);
}

void Observed::countImpossible(const std::string& what) {
    if (impossible++ == 0) firstImpossible = what;
}

void countAnswer(const AnswerShape& shape, const LoggedAnswer& answer, Observed& seen) {
    countAnswer(shape, answer, seen, [&](std::int64_t total) {
        ++seen.counts[static_cast<std::size_t>(total - shape.lowest())];
    });
}

}  // namespace orvik::audit
