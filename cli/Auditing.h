// orvik --audit: the command's runs of the library's audits, their output and exit status.
#ifndef ORVIK_CLI_AUDITING_H
#define ORVIK_CLI_AUDITING_H

#include <cstdint>
#include <string>
#include <vector>

#include "features/LogAudit.h"
#include "features/RollAudit.h"
#include "host/orvik.h"

namespace orvik::cli {

class Output;
class LineReader;

// Rolls each text rolls times through routine (the sneak attack routine when sneak) and reports
// on each. Throws WriteError, and std::bad_alloc.
int auditTexts(const std::vector<const char*>& texts, std::uint64_t rolls, bool sneak,
               OrvikRollFn routine, bool json, Output& out);

// Reads a log from lines and reports on each roll text found, after a line that sums up the log
// (on standard error with json, so that standard output holds one object per text). When memory
// runs out part-way, what was read is reported, and where it stopped is said. Throws
// WriteError, ReadError, and std::bad_alloc.
int auditLines(LineReader& lines, const std::string& source, const features::LogOptions& options,
               bool json, Output& out);

}  // namespace orvik::cli

#endif  // ORVIK_CLI_AUDITING_H
