// orvik: rolls dice from the command line through the dice module, as a host would.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "cli/Audit.h"
#include "cli/Interactive.h"
#include "cli/Io.h"
#include "cli/LineReader.h"
#include "cli/Module.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/Rolling.h"
#include "cli/Seed.h"

#if defined(_WIN32)
#include "cli/Utf8.h"
#endif

namespace {

using namespace orvik::cli;

constexpr int kTrouble = 2;

#if defined(_WIN32)
constexpr char kEndOfInput[] = "Ctrl-Z then Enter";
#else
constexpr char kEndOfInput[] = "Ctrl-D";
#endif

void say(const std::string& message) {
    std::fprintf(stderr, "orvik: %s\n", message.c_str());
}

int usageError(const std::string& message) {
    say(message + "\nTry 'orvik --help' for more information.");
    return kTrouble;
}

// --help and --version: their output is the whole job, so a failed write is trouble.
int show(const char* text) {
    try {
        writeAll(kStdout, text, std::strlen(text));
        return 0;
    } catch (const WriteError& error) {
        say(std::string("cannot write standard output: ") + error.what());
        return kTrouble;
    }
}

// What is already answered still goes out before a run ends in trouble; a failed write then
// changes nothing (flush lets go of what it held either way).
void flushWhatWeCan(Output& out) {
    try {
        out.flush();
    } catch (const WriteError&) {
    }
}

// Every text of the run, from wherever they come, then the exit status.
int rollAll(const Options& options, Roller& roller, Output& out) {
    Tally tally;
    try {
        if (!options.texts.empty()) {
            rollTexts(options.texts, roller, tally);
        } else if (wantPrompt()) {
            rollInteractively(
                options.sneak, out,
                [&](const char* text, std::size_t length, bool holdsNul, std::uint64_t line) {
                    tally.count(roller.roll(text, length, holdsNul), "line", line);
                });
        } else {
            LineReader lines(kStdin, [&out] { out.flush(); });
            rollLines(lines, roller, tally);
        }
        out.flush();
    } catch (const WriteError& error) {
        say(std::string("cannot write standard output: ") + error.what());
        return kTrouble;
    } catch (const ReadError& error) {
        flushWhatWeCan(out);
        say(std::string("cannot read standard input: ") + error.what());
        return kTrouble;
    } catch (const std::bad_alloc&) {
        flushWhatWeCan(out);
        say("out of memory");
        return kTrouble;
    } catch (const StopRun&) {
        flushWhatWeCan(out);
        return kTrouble;
    }
    return tally.status();
}

// Loads the module and seeds it as the options ask; false, after saying why, when it cannot.
bool startModule(const Options& options, Module& module, std::uint32_t& seed) {
    std::string why;
    if (!loadModule(options.modulePath, module, why)) {
        say(why);
        return false;
    }
    seed = options.seed;
    if (options.seeded) {
        module.seed(seed);
    } else {
        // The load-time call every host makes; then dice that no clock can predict.
        module.loadDll(nullptr);
        try {
            seed = entropySeed();
        } catch (const std::exception& error) {
            say(std::string("cannot read the system's entropy source: ") + error.what());
            return false;
        }
        module.seed(seed);
    }
    if (options.printSeed) say("seed " + std::to_string(seed));
    return true;
}

// The run's last steps for an audit: what is answered goes out, and trouble is said.
template <typename Audit>
int runAudit(Output& out, Audit&& audit) {
    try {
        const int status = audit();
        out.flush();
        return status;
    } catch (const WriteError& error) {
        say(std::string("cannot write standard output: ") + error.what());
    } catch (const ReadError& error) {
        flushWhatWeCan(out);
        say(std::string("cannot read the log: ") + error.what());
    } catch (const std::bad_alloc&) {
        flushWhatWeCan(out);
        say("out of memory");
    }
    return kTrouble;
}

int auditLog(const Options& options) {
    const bool named = !options.texts.empty() && std::strcmp(options.texts[0], "-") != 0;
    const std::string source = named ? options.texts[0] : "standard input";
    int fd = kStdin;
    if (named) {
        try {
            fd = openForReading(source);
        } catch (const ReadError& error) {
            say("cannot open " + source + ": " + error.what());
            return kTrouble;
        }
    }
    // Someone at a terminal may not know that the log is wanted there.
    if (!named && isTerminal(kStdin))
        say(std::string("reading a log from the terminal: paste it, then end it with ") +
            kEndOfInput);
    Output out(kStdout);
    LineReader lines(fd, [] {});
    const int status =
        runAudit(out, [&] { return auditAnswers(lines, source, options.json, out); });
    if (named) closeFile(fd);
    return status;
}

// Rolls through the module: the answers themselves, or an audit of them.
int rollDice(const Options& options) {
    Module module;
    std::uint32_t seed = 0;
    if (!startModule(options, module, seed)) return kTrouble;
    Output out(kStdout);
    const OrvikRollFn routine = options.sneak ? module.sneakAttack : module.diceMain;
    if (options.audit) {
        return runAudit(out, [&] {
            return auditRolls(options.texts, options.rolls, options.sneak, routine, options.json,
                              out);
        });
    }
    if (options.dice || options.json) {
        DiceRoller roller(routine, options.sneak, options.json, seed, out);
        return rollAll(options, roller, out);
    }
    ModuleRoller roller(routine, out);
    return rollAll(options, roller, out);
}

}  // namespace

int main(int argc, char** argv) {
    useBinaryStreams();
    useUtf8Console();
#if defined(_WIN32)
    const Utf8Arguments utf8(argc, argv);
#endif
    try {
        Options options;
        std::string error;
        switch (parseOptions(argc, argv, options, error)) {
            case Action::Help:
                return show(kUsage);
            case Action::Version:
                return show("orvik " ORVIK_VERSION "\n");
            case Action::UsageError:
                return usageError(error);
            case Action::Roll:
                break;
        }
        if (options.audit && options.answers) return auditLog(options);
        if (!options.odds) return rollDice(options);
        // The odds come from the engine linked in here: no module is loaded and nothing rolled.
        Output out(kStdout);
        Question question;
        if (options.hasTarget) {
            question.kind = Question::Kind::AtLeast;
            question.target = options.target;
        } else if (options.hasVersus) {
            question.kind = Question::Kind::Versus;
            question.versus = options.versus;
        }
        OddsRoller roller(options.sneak, options.json, std::move(question), out);
        return rollAll(options, roller, out);
    } catch (const std::bad_alloc&) {
        say("out of memory");
        return kTrouble;
    }
}
