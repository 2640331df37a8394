// One text's audit, all that its report shows, worked out while its odds and counts are at hand,
// so that many audits can be given together afterwards, each verdict adjusted among the others,
// without keeping every text's odds.
#ifndef ORVIK_AUDIT_AUDIT_H
#define ORVIK_AUDIT_AUDIT_H

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "audit/Anytime.h"
#include "audit/Power.h"
#include "audit/Verdict.h"

namespace orvik::audit {

// What a sample could have caught.
struct Caught {
    Bias bias;
    double chance = 0.0;         // that these totals catch it
    std::uint64_t totals90 = 0;  // about as many totals catch it 90% of the time; 0: none do
};

struct TextAudit {
    // Of the odds, what the report names.
    odds::DicePart roll;
    bool sneak = false;
    odds::DicePart sneakDice;
    std::int32_t groups = 1;
    bool everyGroup = true;  // every group's total is tested, not the first alone
    double errorProbability = 0.0;
    std::int64_t lowest = 0;  // the lowest total that can be a result
    Observed observed;        // its counts emptied
    Tests tests;
    Verdict verdict;
    SpreadBasis spreadBasis = SpreadBasis::WellFilled;
    // The k-th audit to come, from 1, among those given together: its share of the anytime
    // figure's false-alarm chance goes by it.
    std::uint64_t order = 1;
    double logE = 0.0;  // the anytime e-value's logarithm
    // Biases a player understands, and how well these totals catch them; empty where that cannot
    // be worked out (answers that may be refused).
    std::vector<Caught> caught;
    // The chance that these totals tell the other dice (ideal ones for Orvik's, or the other way
    // round) from the dice tested against; NaN where it cannot be worked out.
    double otherDice = std::numeric_limits<double>::quiet_NaN();

    bool ideal() const { return roll.faces == odds::Faces::Ideal; }
    // The share of the anytime figure's false-alarm chance, and the e-value that flags it.
    double weight() const;
    double flagsAt() const { return 1.0 / (kUnlikely * weight()); }
    bool anytimeFlagged() const;
};

// What telling what a sample could catch needs of odds, whatever the sample: the biases, the
// totals' chances under each and under the other dice, and the totals that catch each 90% of
// the time. Worked out once for every audit of the same odds (a text's and its rollers').
struct Catchable {
    std::vector<Bias> biases;
    std::vector<odds::Distribution> truths;
    std::vector<std::uint64_t> totals90;
    odds::Distribution other;  // the totals of the dice not tested against
};

// Catchable of odds, or none where catching cannot be worked out (catchKnown).
std::optional<Catchable> catchableOf(const Odds& odds);

// What the audits of the same odds share, whatever their samples (a log's text and its
// rollers'): worked out once.
struct OddsWork {
    AnytimeOdds anytime;  // anytimeOddsOf(odds)
    // catchableOf(odds), worked out when an audit first needs it: audits too small to test never
    // do.
    mutable std::optional<std::optional<Catchable>> catchable;
};
OddsWork workOf(const Odds& odds);

// Observed tested against odds, with all its report shows but the simulated spread and the
// verdict among others. The k-th to come: order. work: workOf(odds), if worked out already.
TextAudit auditOf(const Odds& odds, const Observed& observed, std::uint64_t order = 1,
                  const OddsWork* work = nullptr);

// The audits given together: each spread simulated where it needs to be for a family of that
// many p-values, then each verdict adjusted among the others (Holm's).
void giveTogether(std::vector<TextAudit>& audits);

// The anytime figure of audits given together: the sum of their e-values, each weighed by its
// share, itself an e-value; infinite where one is.
double togetherEValue(const std::vector<TextAudit>& audits);

}  // namespace orvik::audit

#endif  // ORVIK_AUDIT_AUDIT_H
