// orvik --audit: were the dice fair? A module's rolls of each text, or the answers in a game's
// log, tested against the text's exact odds.
#ifndef ORVIK_CLI_AUDIT_H
#define ORVIK_CLI_AUDIT_H

#include <cstdint>
#include <string>
#include <vector>

#include "host/orvik.h"

namespace orvik::cli {

class Output;
class LineReader;

// Exit statuses: every p-value above odds::kUnlikely, some at or below it, trouble.
constexpr int kAuditFair = 0;
constexpr int kAuditUnlikely = 1;
constexpr int kAuditTrouble = 2;

// Rolls each text rolls times through routine (the sneak attack routine when sneak) and reports
// on each. Throws WriteError, and std::bad_alloc.
int auditRolls(const std::vector<const char*>& texts, std::uint64_t rolls, bool sneak,
               OrvikRollFn routine, bool json, Output& out);

// Reads a log from lines and reports on each roll text found, after a line that sums up the log
// (on standard error with json, so that standard output holds one object per text). Throws
// WriteError, ReadError, and std::bad_alloc.
int auditAnswers(LineReader& lines, const std::string& source, bool json, Output& out);

}  // namespace orvik::cli

#endif  // ORVIK_CLI_AUDIT_H
