// A game master's plan before the game: how many rolls of a text an audit needs to catch a bias
// a player understands 90% of the time, or how often a given number of rolls would catch it.
#ifndef ORVIK_FEATURES_AUDITPLAN_H
#define ORVIK_FEATURES_AUDITPLAN_H

#include <cstdint>
#include <string>
#include <vector>

#include "audit/Power.h"
#include "print/AuditPrint.h"

namespace orvik::features {

struct PlanOptions {
    bool sneak = false;
    std::uint64_t rolls = 0;          // the rolls to weigh; 0: none, only the rolls each bias needs
    std::vector<audit::Bias> biases;  // empty: one die's highest face 1.5 and 2 times, and +1
    odds::Faces dice = odds::Faces::Orvik;
    print::AuditForm form = print::AuditForm::Text;
};

// The plan for text, printed (no newline). Throws DiceError with the module's message for a text
// it refuses, and std::bad_alloc.
std::string planOf(const std::string& text, const PlanOptions& options);

// A bias as written: "FACExTIMES", one face of one die TIMES as likely ("20x1.5"), or "+N" or
// "-N" on every total. False for anything else.
bool readBias(const std::string& written, audit::Bias& bias);

}  // namespace orvik::features

#endif  // ORVIK_FEATURES_AUDITPLAN_H
