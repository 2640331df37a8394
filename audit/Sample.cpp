#include "audit/Sample.h"

namespace orvik::audit {

bool countsEveryGroup(const Odds& odds) {
    return !odds.sneak && odds.results.errorProbability == 0.0;
}

void Observed::count(const Odds& odds, std::int64_t total, bool tested) {
    const odds::Distribution& totals = odds.results.totals;
    if (total >= totals.lowest && total <= totals.highest()) {
        const auto i = static_cast<std::size_t>(total - totals.lowest);
        if (totals.probability[i] > 0.0) {
            if (tested) ++counts[i];
            return;
        }
    }
    countImpossible(std::to_string(total));
}

void Observed::countImpossible(const std::string& what) {
    if (impossible++ == 0) firstImpossible = what;
}

void countAnswer(const Odds& odds, const LoggedAnswer& answer, Observed& seen) {
    ++seen.answers;
    if (!answer.unreadable.empty()) {
        seen.countImpossible(answer.unreadable);
    } else if (answer.totals.size() != static_cast<std::size_t>(odds.groups)) {
        seen.countImpossible(std::to_string(answer.totals.size()) + " totals for " +
                             std::to_string(odds.groups) + " groups");
    } else {
        const bool every = countsEveryGroup(odds);
        for (std::size_t g = 0; g < answer.totals.size(); ++g)
            seen.count(odds, answer.totals[g], every || g == 0);
    }
}

}  // namespace orvik::audit
