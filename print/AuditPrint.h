// An audit as people and scripts read it.
#ifndef ORVIK_PRINT_AUDITPRINT_H
#define ORVIK_PRINT_AUDITPRINT_H

#include <cstdint>
#include <string>

#include "audit/Verdict.h"

namespace orvik::print {

using audit::Observed;
using audit::Tests;
using audit::Verdict;

// One roll text's audit: the sample, both tests, observed against expected counts side by side,
// and the verdict. Ends without a newline.
std::string auditText(const std::string& text, const odds::Odds& odds, const Observed& observed,
                      const Tests& tests, const Verdict& verdict);

// One line of JSON (no newline) with every figure; doc/odds.md gives its shape.
std::string auditJson(const std::string& text, const odds::Odds& odds, const Observed& observed,
                      const Tests& tests, const Verdict& verdict);

// A text the module refuses, which leaves nothing to test: for people (the text headed on one
// line, a line feed shown as \n), or one line of JSON.
std::string auditRefusal(const std::string& text, const char* message, bool json);

// What a log held, before its texts' audits.
struct LogCounts {
    std::uint64_t lines = 0;
    std::uint64_t answers = 0;  // answers of texts the module rolls, all tested
    std::uint64_t texts = 0;    // those texts
    std::uint64_t errors = 0;   // dice errors
    std::uint64_t refused = 0;  // answers to texts the module refuses
    std::uint64_t other = 0;
};

// "LOG: N lines, N answers of N roll texts; skipped N dice errors, N other lines", and the
// answers to refused texts where there are some.
std::string logSummary(const std::string& source, const LogCounts& counts);

// "p = 0.41", "p = 3e-12", "p < 1e-300".
std::string formatP(double p);

}  // namespace orvik::print

#endif  // ORVIK_PRINT_AUDITPRINT_H
