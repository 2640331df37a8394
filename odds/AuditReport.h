// An audit as people and scripts read it.
#ifndef ORVIK_ODDS_AUDITREPORT_H
#define ORVIK_ODDS_AUDITREPORT_H

#include <string>

#include "odds/Audit.h"

namespace orvik::odds {

// The sample, both tests, observed against expected counts side by side, and one verdict line.
// Ends without a newline.
std::string formatAuditText(const std::string& text, const Odds& odds, const Observed& observed,
                            const Audit& audit);

// One line of JSON (no newline) with every figure; doc/odds.md gives its shape.
std::string formatAuditJson(const std::string& text, const Odds& odds, const Observed& observed,
                            const Audit& audit);

// "p = 0.41", "p = 3e-12", "p < 1e-300".
std::string formatP(double p);

}  // namespace orvik::odds

#endif  // ORVIK_ODDS_AUDITREPORT_H
