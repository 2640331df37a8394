// orvik --audit: the command's runs of the library's audits, their output and exit status.
#ifndef ORVIK_CLI_AUDITING_H
#define ORVIK_CLI_AUDITING_H

#include <cstdint>
#include <string>
#include <vector>

#include "features/AuditPlan.h"
#include "features/LogAudit.h"
#include "features/RollAudit.h"
#include "host/orvik.h"

namespace orvik::cli {

class Output;
class LineReader;

// Rolls each text rolls times through routine (the sneak attack routine when sneak), tests each
// against dice, and reports on all of them, printed in form, once they are rolled, each verdict
// adjusted among the others', with a verdict on them all after several in text. Throws
// WriteError, and std::bad_alloc.
int auditTexts(const std::vector<const char*>& texts, std::uint64_t rolls, bool sneak,
               OrvikRollFn routine, features::AuditForm form, odds::Faces dice, Output& out);

// Reads a log from lines and reports on each roll text found, after a line that sums up the log
// (on standard error in JSON, so that standard output holds one object per text), and then, in
// text, the verdict on them all. When memory runs out part-way, what was read is reported, and
// where it stopped is said. Throws WriteError, ReadError, and std::bad_alloc.
int auditLines(LineReader& lines, const std::string& source, const features::LogOptions& options,
               features::AuditForm form, Output& out);

// What an audit of each text could catch, with options. Throws WriteError, and std::bad_alloc.
int planAudits(const std::vector<const char*>& texts, const features::PlanOptions& options,
               Output& out);

}  // namespace orvik::cli

#endif  // ORVIK_CLI_AUDITING_H
