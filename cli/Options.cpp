#include "cli/Options.h"

#include "features/AuditPlan.h"
#include "features/RollAudit.h"
#include "features/Seed.h"

namespace orvik::cli {

const char kUsage[] =
    "Usage: orvik [OPTION]... [TEXT]...\n"
    "       orvik --audit [--rolls N] [--sneak] [OPTION]... TEXT...\n"
    "       orvik --audit --answers [--from TEXT] [--by-roller] [FILE]\n"
    "       orvik --audit --plan [--rolls N] [--bias B]... [--sneak] TEXT...\n"
    "Roll dice. Each TEXT is one roll, answered on its own line; with no TEXT, each line of\n"
    "standard input is one roll, answered as soon as it arrives; at a terminal, orvik prompts\n"
    "for them (quit or Ctrl-D leaves; on Windows, quit or Ctrl-Z then Enter).\n"
    "\n"
    "  --sneak          roll sneak attacks: TEXT is \"<sneak dice> <main roll>\", e.g. \"3d6 "
    "d8+2\"\n"
    "  --dice           after each answer, show the faces behind every total\n"
    "  --json           one JSON object per roll: the answer, every total and its faces\n"
    "  --odds           instead of rolling, show the odds of every total: each die's chances\n"
    "                   exact, the dice taken as independent (the generator's nearly are)\n"
    "                   (with --json: one JSON object per TEXT, listing every total)\n"
    "  --at-least N     with --odds: the chance that a total reaches N, and for several\n"
    "                   groups the chance that exactly k of them do\n"
    "  --vs TEXT2       with --odds: the chances that a total of TEXT is greater than, equal\n"
    "                   to or less than a total of TEXT2\n"
    "  --audit          were the dice fair? roll each TEXT through the module and test its\n"
    "                   totals against the exact odds: the mean and a chi-square test of the\n"
    "                   spread, one p-value a text; exit status 1 when one is 0.001 or less,\n"
    "                   adjusted for the number of texts (and rollers) audited together\n"
    "  --rolls N        with --audit: roll each TEXT N times (default 1000000); Ctrl-C\n"
    "                   stops a long audit with a report of the rolls counted\n"
    "  --answers [FILE] with --audit: test the answers in a game's log (FILE, or standard\n"
    "                   input) instead, grouped by the roll text each sentence repeats (texts\n"
    "                   of the same dice, whatever their free text, tested together)\n"
    "  --from TEXT      with --answers: count only the answers in lines whose speaker is TEXT\n"
    "                   (e.g. \"<Orvik>\"): at the line's start, after at most a time stamp,\n"
    "                   with only the roller's name between it and the sentence\n"
    "  --by-roller      with --answers: test each roller's answers (the name before \"rolls\")\n"
    "                   apart as well as together\n"
    "  --ideal-dice     with --audit: test against ideal dice, every face equally likely (as\n"
    "                   real dice or another module give), instead of Orvik's exact dice\n"
    "  --plan           with --audit: roll nothing; say how many rolls of each TEXT an audit\n"
    "                   needs to catch a bias 90% of the time (with --rolls N: how often N\n"
    "                   rolls would)\n"
    "  --bias B         with --plan: the bias to catch: FACExTIMES, one face of one die TIMES\n"
    "                   as likely (20x1.5), or a number added to every total (+1); repeatable\n"
    "  --seed N         start the generator from N (0 to 4294967295); without it, each run\n"
    "                   takes a fresh seed from the system's entropy source\n"
    "  --print-seed     write the seed to standard error (\"orvik: seed N\"), to replay a run\n"
    "  --module PATH    load the dice module from PATH\n"
    "  -h, --help       show this help and exit\n"
    "  -V, --version    show the version and exit\n"
    "  --               end of options: every later argument is a TEXT\n"
    "Numbers in options are decimal digits, with a '-' before a negative --at-least; no '+'.\n"
    "\n"
    "A roll: [GROUPS#][COUNT]dSIDES{+N|-N}[*N{*N}] [free text]\n"
    "  d20+5      one d20 plus 5\n"
    "  2d6+3*2    the roll twice over: 4d6+6\n"
    "  3#d20      three separate d20 totals\n"
    "  d20 to hit free text after the first space is repeated in the answer\n"
    "Limits: 30 groups, 100 dice (after multiplying), 500 sides, modifier 1000, multiplier 10.\n"
    "These are game dice: the generator is not a source of secrets.\n"
    "\n"
    "Examples:\n"
    "  $ orvik --seed 1 --dice 3#2d6+1\n"
    "  rolls 3#2d6+1 and gets 11, 9, 8. dice: [5 5] [3 5] [5 2]\n"
    "  $ orvik --odds --at-least 15 2#d20+5\n"
    "  2#d20+5\n"
    "    2 groups, each d20+5\n"
    "    one total reaches 15 (15 or more): 54.9866%\n"
    "    exactly k of the 2 groups reach 15:\n"
    "       k  P(exactly k)  P(k or more)\n"
    "       0      20.2621%     100.0000%\n"
    "       1      49.5027%      79.7379%\n"
    "       2      30.2352%      30.2352%\n"
    "  $ orvik --odds --vs d20 d20+5\n"
    "  d20+5 vs d20\n"
    "    one total of d20+5 against one total of d20\n"
    "    greater   69.9997%\n"
    "    equal      3.7498%\n"
    "    less      26.2505%\n"
    "  $ orvik --audit --seed 1 d20\n"
    "  d20\n"
    "    1,000,000 rolls: 1,000,000 totals tested\n"
    "    ...\n"
    "    no sign of unfair dice in 1,000,000 rolls, tested against Orvik's dice (p = 0.23)\n"
    "    ...\n"
    "  $ orvik --audit --answers --from '<Orvik>' examples/game.log\n"
    "  examples/game.log: 319 lines, 146 answers of 5 roll texts in lines marked \"<Orvik>\"; "
    "skipped 1 dice error, 172 other lines\n"
    "  ...\n"
    "  3 audits, each p-value adjusted for all 3: none very unlikely (the smallest: 0.2, "
    "\"2d6+3\")\n"
    "  the whole log, audited again and again: e-value 0.483, which flags it at 1,000 or more\n"
    "\n"
    "Exit status: 0 if every answer is a result, 1 if any is a \"Dice Error: \", 2 on trouble\n"
    "(a bad option or seed, a module that cannot be loaded or gives no answer, or whose dice\n"
    "--dice and --json cannot rebuild, a failed read or write, or memory running out). With\n"
    "--audit: 0 if every adjusted p-value is above 0.001, 1 if any is not, 2 on trouble, 130\n"
    "after Ctrl-C.\n";
// The help writes the default rolls out; the library holds it.
static_assert(features::kDefaultRolls == 1000000, "--help gives the default rolls as 1000000");

namespace {

// Decimal digits from text[start] on, as a number no greater than limit.
bool parseDigits(const std::string& text, std::size_t start, std::uint64_t limit,
                 std::uint64_t& value) {
    if (start == text.size()) return false;
    value = 0;
    for (std::size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (limit - digit) / 10) return false;
        value = value * 10 + digit;
    }
    return true;
}

// A whole number that fits 64 bits: digits, after a '-' for a negative. No '+', as for --seed and
// as in a roll's own numbers.
bool parseTarget(const std::string& text, std::int64_t& target) {
    const bool negative = !text.empty() && text[0] == '-';
    const std::size_t start = negative ? 1 : 0;
    const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
    std::uint64_t value = 0;
    if (!parseDigits(text, start, limit, value)) return false;
    target = negative ? static_cast<std::int64_t>(0 - value) : static_cast<std::int64_t>(value);
    return true;
}

// The options that take a value, and what that value is.
struct Valued {
    const char* name;
    const char* needs;
};
constexpr Valued kValued[] = {{"--seed", "a number"},     {"--rolls", "a number"},
                              {"--at-least", "a number"}, {"--vs", "a roll text"},
                              {"--from", "a text"},       {"--module", "a path"},
                              {"--bias", "a bias"}};

const Valued* valued(const std::string& name) {
    for (const Valued& option : kValued) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

// value is null when none followed. False, with error set, when the value is missing or bad.
bool takeValue(const Valued& option, const std::string* value, Options& options,
               std::string& error) {
    const std::string name = option.name;
    if (value == nullptr || (name == "--module" && value->empty())) {
        error = "option '" + name + "' needs " + option.needs;
    } else if (name == "--seed") {
        if (!features::seedFromText(*value, options.seed)) {
            error = "invalid seed '" + *value + "': expected 0 to 4294967295";
        }
        options.seeded = error.empty();
    } else if (name == "--rolls") {
        std::uint64_t rolls = 0;
        if (!parseDigits(*value, 0, features::kMostRolls, rolls) || rolls == 0) {
            error = "invalid number '" + *value + "' for '--rolls': expected 1 to " +
                    std::to_string(features::kMostRolls);
        }
        options.rolls = rolls;
        options.hasRolls = error.empty();
    } else if (name == "--at-least") {
        if (!parseTarget(*value, options.target)) {
            error =
                "invalid number '" + *value +
                "' for '--at-least': expected digits, after a '-' for a negative, within 64 bits";
        }
        options.hasTarget = error.empty();
    } else if (name == "--vs") {
        options.versus = *value;
        options.hasVersus = true;
    } else if (name == "--bias") {
        audit::Bias bias;
        if (!features::readBias(*value, bias)) {
            error = "invalid bias '" + *value +
                    "' for '--bias': expected FACExTIMES (such as 20x1.5), or a signed number "
                    "(such as +1)";
        }
        options.biases.push_back(*value);
    } else if (name == "--from") {
        if (value->empty()) error = "option '--from' needs a text that marks the host's lines";
        options.from = *value;
        options.hasFrom = error.empty();
    } else {
        options.modulePath = *value;
    }
    return error.empty();
}

// --plan and the options that go with it, or not.
bool checkPlan(const Options& options, std::string& error) {
    if (!options.biases.empty() && !options.plan) {
        error = "option '--bias' needs '--plan'";
    } else if (options.plan && !options.audit) {
        error = "option '--plan' needs '--audit'";
    } else if (options.plan) {
        // A plan rolls nothing.
        const char* what = options.answers               ? "'--answers' reads a log"
                           : options.seeded              ? "'--seed' starts the dice"
                           : options.printSeed           ? "'--print-seed' tells the dice's seed"
                           : !options.modulePath.empty() ? "'--module' loads the dice"
                                                         : nullptr;
        if (what != nullptr) {
            error = std::string("option ") + what + ", and '--plan' rolls none: give one of them";
        } else if (options.texts.empty()) {
            error = "option '--plan' needs a TEXT";
        }
    }
    return error.empty();
}

// --audit and the options that go with it, or not.
bool checkAudit(const Options& options, std::string& error) {
    if (options.idealDice && !options.audit) {
        error = "option '--ideal-dice' needs '--audit'";
        return false;
    }
    if (!checkPlan(options, error)) return false;
    if (!options.answers && (options.hasFrom || options.byRoller)) {
        error = std::string("option '") + (options.hasFrom ? "--from" : "--by-roller") +
                "' needs '--answers'";
        return false;
    }
    if (!options.audit) {
        if (options.hasRolls) error = "option '--rolls' needs '--audit'";
        if (options.answers) error = "option '--answers' needs '--audit'";
    } else if (options.odds || options.dice) {
        error = std::string("option '") + (options.odds ? "--odds" : "--dice") +
                "' does not go with '--audit': give one of them";
    } else if (options.answers) {
        // The log's answers were rolled already, by whatever module the host loaded.
        const char* what = options.hasRolls              ? "--rolls"
                           : options.seeded              ? "--seed"
                           : options.printSeed           ? "--print-seed"
                           : options.sneak               ? "--sneak"
                           : !options.modulePath.empty() ? "--module"
                                                         : nullptr;
        if (what != nullptr) {
            error = std::string("option '") + what +
                    "' is for rolling, and '--answers' reads answers already rolled";
        } else if (options.texts.size() > 1) {
            error = "'--answers' reads one log: give one FILE, or none for standard input";
        }
    } else if (options.texts.empty() && !options.plan) {
        error = "option '--audit' needs a TEXT to roll, or '--answers' to read a log";
    }
    return error.empty();
}

// Options that only make sense with others, or not with them.
bool checkCombination(const Options& options, std::string& error) {
    if (!checkAudit(options, error)) return false;
    if (options.hasTarget && !options.odds) {
        error = "option '--at-least' needs '--odds'";
    } else if (options.hasVersus && !options.odds) {
        error = "option '--vs' needs '--odds'";
    } else if (options.hasTarget && options.hasVersus) {
        error = "options '--at-least' and '--vs' ask different questions: give one of them";
    } else if (options.odds && (options.dice || options.seeded || options.printSeed)) {
        // Options about rolled dice would be silently ignored by a run that rolls none.
        const char* what = options.dice     ? "option '--dice' shows rolled dice"
                           : options.seeded ? "option '--seed' starts the dice"
                                            : "option '--print-seed' tells the dice's seed";
        error = std::string(what) + ", and '--odds' rolls none: give one of them";
    }
    return error.empty();
}

}  // namespace

Mode parseOptions(int argc, char** argv, Options& options, std::string& error) {
    bool inOptions = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!inOptions || arg.size() < 2 || arg[0] != '-') {
            options.texts.push_back(argv[i]);
        } else if (arg == "--") {
            inOptions = false;
        } else if (arg == "-h" || arg == "--help") {
            return Mode::Help;
        } else if (arg == "-V" || arg == "--version") {
            return Mode::Version;
        } else if (arg == "--sneak") {
            options.sneak = true;
        } else if (arg == "--odds") {
            options.odds = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--dice") {
            options.dice = true;
        } else if (arg == "--audit") {
            options.audit = true;
        } else if (arg == "--answers") {
            options.answers = true;
        } else if (arg == "--by-roller") {
            options.byRoller = true;
        } else if (arg == "--ideal-dice") {
            options.idealDice = true;
        } else if (arg == "--plan") {
            options.plan = true;
        } else if (arg == "--print-seed") {
            options.printSeed = true;
        } else if (const std::size_t equals = arg.find('=');
                   const Valued* option = valued(arg.substr(0, equals))) {
            // "--name=value" or "--name value"
            std::string value;
            const bool given = equals != std::string::npos || i + 1 < argc;
            if (given) value = equals != std::string::npos ? arg.substr(equals + 1) : argv[++i];
            if (!takeValue(*option, given ? &value : nullptr, options, error)) {
                return Mode::UsageError;
            }
        } else {
            error = "unknown option '" + arg + "'";
            return Mode::UsageError;
        }
    }
    if (!checkCombination(options, error)) return Mode::UsageError;
    if (options.plan) return Mode::AuditPlan;
    if (options.audit) return options.answers ? Mode::AuditLog : Mode::AuditRolls;
    if (options.odds) return Mode::Odds;
    if (options.json) return Mode::Json;
    return options.dice ? Mode::Dice : Mode::Roll;
}

}  // namespace orvik::cli
