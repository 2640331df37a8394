#include "cli/Options.h"

namespace orvik::cli {

const char kUsage[] =
    "Usage: orvik [OPTION]... [TEXT]...\n"
    "Roll dice. Each TEXT is one roll, answered on its own line; with no TEXT, each line of\n"
    "standard input is one roll, answered as soon as it arrives; at a terminal, orvik prompts\n"
    "for them (quit or Ctrl-D leaves; on Windows, quit or Ctrl-Z then Enter).\n"
    "\n"
    "  --sneak          roll sneak attacks: TEXT is \"<sneak dice> <main roll>\", e.g. \"3d6 "
    "d8+2\"\n"
    "  --odds           instead of rolling, show the exact odds of every total\n"
    "  --json           with --odds: one JSON object per TEXT, listing every total\n"
    "  --seed N         start the generator from N (0 to 4294967295); without it, each run\n"
    "                   takes a fresh seed from the system's entropy source\n"
    "  --print-seed     write the seed to standard error (\"orvik: seed N\"), to replay a run\n"
    "  --module PATH    load the dice module from PATH\n"
    "  -h, --help       show this help and exit\n"
    "  -V, --version    show the version and exit\n"
    "  --               end of options: every later argument is a TEXT\n"
    "\n"
    "A roll: [GROUPS#][COUNT]dSIDES{+N|-N}[*N{*N}] [free text]\n"
    "  d20+5      one d20 plus 5\n"
    "  2d6+3*2    the roll twice over: 4d6+6\n"
    "  3#d20      three separate d20 totals\n"
    "  d20 to hit free text after the first space is repeated in the answer\n"
    "Limits: 30 groups, 100 dice (after multiplying), 500 sides, modifier 1000, multiplier 10.\n"
    "These are game dice: the generator is not a source of secrets.\n"
    "\n"
    "Exit status: 0 if every answer is a result, 1 if any is a \"Dice Error: \", 2 on trouble\n"
    "(a bad option or seed, a module that cannot be loaded or gives no answer, a failed read\n"
    "or write, or memory running out).\n";

namespace {

bool parseSeed(const std::string& text, std::uint32_t& seed) {
    if (text.empty()) return false;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > 0xFFFFFFFFu) return false;
    }
    seed = static_cast<std::uint32_t>(value);
    return true;
}

// --seed and --module; value is null when none followed. False, with error set, when the value is
// missing or bad.
bool takeValue(const std::string& name, const std::string* value, Options& options,
               std::string& error) {
    if (name == "--seed") {
        if (value == nullptr) {
            error = "option '--seed' needs a number";
        } else if (!parseSeed(*value, options.seed)) {
            error = "invalid seed '" + *value + "': expected 0 to 4294967295";
        } else {
            options.seeded = true;
        }
    } else if (value == nullptr || value->empty()) {
        error = "option '--module' needs a path";
    } else {
        options.modulePath = *value;
    }
    return error.empty();
}

bool takesValue(const std::string& name) {
    return name == "--seed" || name == "--module";
}

}  // namespace

Action parseOptions(int argc, char** argv, Options& options, std::string& error) {
    bool inOptions = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!inOptions || arg.size() < 2 || arg[0] != '-') {
            options.texts.push_back(argv[i]);
        } else if (arg == "--") {
            inOptions = false;
        } else if (arg == "-h" || arg == "--help") {
            return Action::Help;
        } else if (arg == "-V" || arg == "--version") {
            return Action::Version;
        } else if (arg == "--sneak") {
            options.sneak = true;
        } else if (arg == "--odds") {
            options.odds = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--print-seed") {
            options.printSeed = true;
        } else if (const std::size_t equals = arg.find('='); takesValue(arg.substr(0, equals))) {
            // "--name=value" or "--name value"
            std::string value;
            const bool given = equals != std::string::npos || i + 1 < argc;
            if (given) value = equals != std::string::npos ? arg.substr(equals + 1) : argv[++i];
            if (!takeValue(arg.substr(0, equals), given ? &value : nullptr, options, error)) {
                return Action::UsageError;
            }
        } else {
            error = "unknown option '" + arg + "'";
            return Action::UsageError;
        }
    }
    if (options.json && !options.odds) {
        error = "option '--json' needs '--odds'";
        return Action::UsageError;
    }
    return Action::Roll;
}

}  // namespace orvik::cli
