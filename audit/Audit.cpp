#include "audit/Audit.h"

#include <cmath>

#include "audit/Anytime.h"
#include "audit/Family.h"

namespace orvik::audit {

double TextAudit::weight() const {
    return anytimeWeight(order);
}

bool TextAudit::anytimeFlagged() const {
    return logE >= std::log(flagsAt());
}

TextAudit auditOf(const Odds& odds, const Observed& observed, std::uint64_t order) {
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
    audit.logE = observed.impossible > 0 ? HUGE_VAL : logEValue(odds, observed);
    audit.observed = observed;
    audit.observed.counts = {};
    if (!std::isnan(audit.tests.p) && !audit.tests.impossible && catchKnown(odds)) {
        const std::uint64_t n = audit.tests.totals;
        for (const Bias& bias : {topFace(odds, 1.5), topFace(odds, 2.0), plusOne()}) {
            const odds::Distribution truth = biasedTotals(odds, bias);
            audit.caught.push_back(
                {bias, chanceToCatch(odds, truth, n), totalsToCatch(odds, truth, 0.9)});
        }
        // Orvik's dice and ideal ones differ by the lean; whichever was not tested against is
        // the one a sample from elsewhere may show.
        const odds::Faces other = audit.ideal() ? odds::Faces::Orvik : odds::Faces::Ideal;
        audit.otherDice = chanceToCatch(odds, odds::withFaces(odds, other).results.totals, n);
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
