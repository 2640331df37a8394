// An audit as people and scripts read it.
#ifndef ORVIK_PRINT_AUDITPRINT_H
#define ORVIK_PRINT_AUDITPRINT_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "audit/Verdict.h"

namespace orvik::print {

using audit::Observed;
using audit::Tests;
using audit::Verdict;

// What an audit's heading names besides its text.
struct AuditHeading {
    std::vector<std::string> pooled;  // other texts of the same odds, tested with it
    bool morePooled = false;          // and more of them than pooled names
    // Set for an audit of one roller's answers: their name, empty where the lines have none;
    // an empty optional where rollers are counted apart, for the audit of every roller's.
    std::optional<std::string> roller;
    bool byRoller = false;  // rollers are counted apart: say whose answers these are
};

// One roll text's audit: the sample, both tests, observed against expected counts side by side,
// and the verdict. Ends without a newline.
std::string auditText(const std::string& text, const odds::Odds& odds, const Observed& observed,
                      const Tests& tests, const Verdict& verdict, const AuditHeading& heading = {});

// One line of JSON (no newline) with every figure; doc/odds.md gives its shape.
std::string auditJson(const std::string& text, const odds::Odds& odds, const Observed& observed,
                      const Tests& tests, const Verdict& verdict, const AuditHeading& heading = {});

// A text the module refuses, which leaves nothing to test: for people (the text headed on one
// line, a line feed shown as \n), or one line of JSON.
std::string auditRefusal(const std::string& text, const char* message, bool json);

// A log's text whose audit memory ran out for: headed as auditText heads it, with its answers,
// which were not tested; or one line of JSON with its text, sneak, roller (where rollers are
// counted apart), rolls and the error.
std::string auditOutOfMemory(const std::string& text, bool sneak, std::uint64_t rolls,
                             const AuditHeading& heading, bool json);

// What a log held, before its texts' audits.
struct LogCounts {
    std::uint64_t lines = 0;
    std::uint64_t answers = 0;  // answers of texts the module rolls, all tested
    std::uint64_t texts = 0;    // those texts, texts of the same odds counted once
    std::uint64_t errors = 0;   // dice errors
    std::uint64_t refused = 0;  // answers to texts the module refuses
    std::uint64_t other = 0;
    std::uint64_t notFrom = 0;  // answers in lines that from does not mark
    std::uint64_t untried = 0;  // lines with too many words "rolls " to try them all
    std::string from;           // what marks the host's own lines; empty: every line trusted
};

// "LOG: N lines, N answers of N roll texts; skipped N dice errors, N other lines", and what else
// was skipped, and whether every line was trusted.
std::string logSummary(const std::string& source, const LogCounts& counts);

// "p = 0.41", "p = 3e-12", "p < 1e-300".
std::string formatP(double p);

}  // namespace orvik::print

#endif  // ORVIK_PRINT_AUDITPRINT_H
