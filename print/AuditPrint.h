// An audit as people and scripts read it.
#ifndef ORVIK_PRINT_AUDITPRINT_H
#define ORVIK_PRINT_AUDITPRINT_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "audit/Audit.h"

namespace orvik::print {

using audit::TextAudit;

// Text for people, or one JSON object a line for scripts: chosen once, for every report.
enum class AuditForm { Text, Json };

// What an audit's heading names besides its text.
struct AuditHeading {
    std::vector<std::string> pooled;  // other texts tested with it
    bool morePooled = false;          // and more of them than pooled names
    // Of pooled, those whose totals were moved to this text's: by how much, each (0 for a text
    // of the same odds).
    std::vector<std::int64_t> shifts;
    // Set for an audit of one roller's answers: their name, empty where the lines have none;
    // an empty optional where rollers are counted apart, for the audit of every roller's.
    std::optional<std::string> roller;
    bool byRoller = false;  // rollers are counted apart: say whose answers these are
    bool log = false;       // the answers of a log, which may be audited again and again
};

// One roll text's audit: the sample, both tests, observed against expected counts side by side,
// the verdict, and what the sample could have caught. Ends without a newline.
std::string auditText(const std::string& text, const TextAudit& audit,
                      const AuditHeading& heading = {});

// One line of JSON (no newline) with every figure; doc/odds.md gives its shape.
std::string auditJson(const std::string& text, const TextAudit& audit,
                      const AuditHeading& heading = {});

// The one the form asks for.
inline std::string auditPrinted(AuditForm form, const std::string& text, const TextAudit& audit,
                                const AuditHeading& heading = {}) {
    return form == AuditForm::Json ? auditJson(text, audit, heading)
                                   : auditText(text, audit, heading);
}

// A text the module refuses, which leaves nothing to test: for people (the text headed on one
// line, a line feed shown as \n), or one line of JSON.
std::string auditRefusal(const std::string& text, const char* message, AuditForm form);

// The verdict on audits given together, after their reports: how many are very unlikely, by
// their adjusted p-values, and for a log the anytime figure of the whole. names: each audit's
// text. Ends without a newline.
std::string togetherText(const std::vector<std::string>& names,
                         const std::vector<TextAudit>& audits, bool log);

// A game master's plan before the game: what an audit of a text could catch.
struct PlannedBias {
    audit::Bias bias;
    bool shown = true;           // false: no die of the roll has the face
    std::uint64_t totals90 = 0;  // about as many totals catch it 90% of the time; 0: none do
    double chance = 0.0;         // that the rolls given catch it
};

struct AuditPlan {
    odds::DicePart roll;  // the main roll, whose die a face bias is on
    bool sneak = false;
    bool ideal = false;         // against ideal dice
    std::uint64_t perRoll = 1;  // totals tested a roll
    std::uint64_t rolls = 0;    // the rolls weighed; 0: none given
    bool known = false;         // whether catching can be worked out
    bool oneTotal = false;      // every roll gives the same total
    std::vector<PlannedBias> biases;
    std::uint64_t otherTotals90 = 0;  // for the other dice (ideal ones, or Orvik's)
    double otherChance = 0.0;
};

// The plan for text, for people or as one line of JSON; no newline.
std::string planText(const std::string& text, const AuditPlan& plan);
std::string planJson(const std::string& text, const AuditPlan& plan);

// A log's text whose audit memory ran out for: headed as auditText heads it, with its answers,
// which were not tested; or one line of JSON with its text, sneak, roller (where rollers are
// counted apart), rolls and the error.
std::string auditOutOfMemory(const std::string& text, bool sneak, std::uint64_t rolls,
                             const AuditHeading& heading, AuditForm form);

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
    std::uint64_t untried = 0;  // lines with too many words "rolls " before a sentence
    std::string from;           // what marks the host's own lines; empty: every line trusted
};

// "LOG: N lines, N answers of N roll texts; skipped N dice errors, N other lines", and what else
// was skipped, and whether every line was trusted.
std::string logSummary(const std::string& source, const LogCounts& counts);

// "p = 0.41", "p = 0.00104", "p = 3.2e-12", "p < 1e-300": three significant figures, more where
// fewer would put the figure on the other side of kUnlikely or kUnclear than p.
std::string formatP(double p);
// The same without its "p": "0.41", "< 1e-300".
std::string pFigure(double p);

// An e-value as the reports say it: "0.61", "2.3e6", "infinite" (beyond a double, as for an
// answer no roll gives).
std::string eText(double e);

// The dice an audit tests against, as the reports name them and say what they are.
struct DiceWords {
    const char* name;   // "Orvik's dice", "ideal dice"
    const char* means;  // "each face as likely as Orvik's generator makes it"
};
DiceWords diceWords(bool ideal);

// A chance as the reports say it: "12%", "under 1%", "over 99%".
std::string percent(double chance);

// A count to two significant figures, as the totals a bias needs: 4080 as "4,100".
std::string about(std::uint64_t n);

// A bias a player understands, in words: "a d20 showing 20 half again as often", "+1 on every
// total".
std::string biasWords(const audit::Bias& bias, const odds::DicePart& roll, bool sneak);

}  // namespace orvik::print

#endif  // ORVIK_PRINT_AUDITPRINT_H
