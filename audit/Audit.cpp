#include "audit/Audit.h"

#include <cmath>
#include <vector>

#include "audit/Anytime.h"
#include "audit/Family.h"

namespace orvik::audit {

double TextAudit::weight() const {
    return anytimeWeight(order);
}

bool TextAudit::anytimeFlagged() const {
    return logE >= std::log(flagsAt());
}

std::optional<Catchable> catchableOf(const Odds& odds) {
    if (!catchKnown(odds)) return std::nullopt;
    Catchable c;
    c.biases = {topFace(odds, 1.5), topFace(odds, 2.0), plusOne()};
    for (const Bias& bias : c.biases) {
        c.truths.push_back(biasedTotals(odds, bias));
        c.totals90.push_back(totalsToCatch(odds, c.truths.back(), 0.9));
    }
    // Orvik's dice and ideal ones differ by the lean; whichever was not tested against is the
    // one a sample from elsewhere may show.
    const odds::Faces other =
        odds.roll.faces == odds::Faces::Ideal ? odds::Faces::Orvik : odds::Faces::Ideal;
    c.other = odds::withFaces(odds, other).results.totals;
    return c;
}

OddsWork workOf(const Odds& odds) {
    return OddsWork{anytimeOddsOf(odds), std::nullopt};
}

TextAudit auditOf(const Odds& odds, const Observed& observed, std::uint64_t order,
                  const OddsWork* work) {
    TextAudit audit;
    audit.roll = odds.roll;
    audit.sneak = odds.sneak;
    audit.sneakDice = odds.sneakDice;
    audit.groups = odds.groups;
    audit.everyGroup = countsEveryGroup(odds);
    audit.errorProbability = odds.results.errorProbability;
    audit.lowest = odds.results.totals.lowest;
    audit.order = order;
    audit.tests = testTotals(odds, observed);
    // An answer no roll gives is infinitely unlikely under the odds, at any look.
    audit.logE = observed.impossible > 0
                     ? HUGE_VAL
                     : logEValue(odds, observed, work == nullptr ? nullptr : &work->anytime);
    audit.observed = observed;
    // Many audits are kept to be given together: each lets go of its counts' room.
    std::vector<std::uint64_t>().swap(audit.observed.counts);
    if (!std::isnan(audit.tests.p) && !audit.tests.impossible) {
        const std::optional<Catchable> own = work == nullptr ? catchableOf(odds) : std::nullopt;
        if (work != nullptr && !work->catchable) work->catchable.emplace(catchableOf(odds));
        const std::optional<Catchable>& known = work == nullptr ? own : *work->catchable;
        const std::uint64_t n = audit.tests.totals;
        if (known) {
            for (std::size_t i = 0; i < known->biases.size(); ++i)
                audit.caught.push_back({known->biases[i], chanceToCatch(odds, known->truths[i], n),
                                        known->totals90[i]});
            audit.otherDice = chanceToCatch(odds, known->other, n);
        }
    }
    audit.verdict = verdictOf(odds, observed, audit.tests);
    audit.spreadBasis = spreadBasis(audit.tests, 1);
    return audit;
}

void giveTogether(std::vector<TextAudit>& audits) {
    std::vector<double> ps;
    ps.reserve(audits.size());
    for (const TextAudit& audit : audits)
        ps.push_back(audit.tests.p);
    const std::uint64_t family = testsAmong(ps);
    for (std::size_t i = 0; i < audits.size(); ++i) {
        TextAudit& audit = audits[i];
        audit.spreadBasis = spreadBasis(audit.tests, family);
        simulateSpread(audit.tests, family);
        ps[i] = audit.tests.p;
    }
    const std::vector<double> adjusted = holmAdjusted(ps);
    for (std::size_t i = 0; i < audits.size(); ++i)
        audits[i].verdict = amongOthers(audits[i].verdict, audits[i].tests, adjusted[i], family);
}

double togetherEValue(const std::vector<TextAudit>& audits) {
    double sum = 0.0;
    for (const TextAudit& audit : audits) {
        if (audit.logE == HUGE_VAL) return HUGE_VAL;  // an answer no roll gives
        sum += audit.weight() * eValueOf(audit.logE);
    }
    return sum;
}

}  // namespace orvik::audit
