// Many audits given together, as a log's texts and rollers are: each keeps its own p-value, and
// the verdicts go by p-values adjusted so that fair dice get any one of them called unlikely at
// most as often as one audit alone would be (Holm's step-down method, valid whatever the
// dependence between the audits). And for a log audited again and again, the share each audit
// has of the anytime figure's false-alarm chance.
#ifndef ORVIK_AUDIT_FAMILY_H
#define ORVIK_AUDIT_FAMILY_H

#include <cstdint>
#include <vector>

namespace orvik::audit {

// Holm's adjusted p-values of ps, in their order: the k-th smallest p times the audits from it
// on, never below the one before it, at most 1. A NaN is no test: it stays NaN and is not
// counted.
std::vector<double> holmAdjusted(const std::vector<double>& ps);

// The tests among ps: those with a p-value.
std::uint64_t testsAmong(const std::vector<double>& ps);

// The share of the anytime false-alarm chance of the k-th audit (1, 2, ...) in the order the
// audits first came: 1 / (k (k + 1)), which sum to 1 however many come, so that the weighed
// e-values sum to an e-value for the whole log at every look.
double anytimeWeight(std::uint64_t k);

}  // namespace orvik::audit

#endif  // ORVIK_AUDIT_FAMILY_H
