// The command line: options, their values and the texts to roll.
#ifndef ORVIK_CLI_OPTIONS_H
#define ORVIK_CLI_OPTIONS_H

#include <cstdint>
#include <string>
#include <vector>

#include "features/RollAudit.h"

namespace orvik::cli {

extern const char kUsage[];

struct Options {
    bool sneak = false;
    bool odds = false;
    bool json = false;
    bool dice = false;       // show the faces behind every total
    bool hasTarget = false;  // --at-least was given
    std::int64_t target = 0;
    bool hasVersus = false;  // --vs was given
    std::string versus;
    bool audit = false;      // test the module's rolls, or a log's answers, against the odds
    bool answers = false;    // with audit: read a log's answers (texts[0], if any, is its file)
    std::string from;        // with answers: only lines where this stands before the answer count
    bool hasFrom = false;    // --from was given
    bool byRoller = false;   // with answers: each roller apart as well as together
    bool idealDice = false;  // with audit: test against ideal dice instead of Orvik's
    bool plan = false;       // with audit: roll nothing, say what an audit could catch
    std::vector<std::string> biases;  // with plan: the biases asked about, as written
    bool hasRolls = false;            // --rolls was given
    std::uint64_t rolls = features::kDefaultRolls;
    bool printSeed = false;
    bool seeded = false;  // --seed was given
    std::uint32_t seed = 0;
    std::string modulePath;
    std::vector<const char*> texts;  // empty: roll standard input
};

// What a run does, decided once from its options.
enum class Mode {
    Roll,        // each text through the module, the answers alone
    Dice,        // the same, with the faces behind every total (--dice)
    Json,        // the same, one JSON object per roll (--json)
    Odds,        // no roll: each text's odds (--odds)
    AuditRolls,  // each text rolled through the module and audited (--audit)
    AuditLog,    // a game's log audited (--audit --answers)
    AuditPlan,   // what an audit of each text could catch (--audit --plan)
    Help,
    Version,
    UsageError,
};

// Reads argv into options. Options may stand anywhere before "--". For Mode::UsageError, error
// says what is wrong.
Mode parseOptions(int argc, char** argv, Options& options, std::string& error);

}  // namespace orvik::cli

#endif  // ORVIK_CLI_OPTIONS_H
