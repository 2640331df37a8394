// orvik: rolls dice from the command line through the dice module, as a host would.
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "cli/Auditing.h"
#include "cli/Interactive.h"
#include "cli/Io.h"
#include "cli/LineReader.h"
#include "cli/Messages.h"
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

#if defined(_WIN32)
constexpr char kEndOfInput[] = "Ctrl-Z then Enter";
#else
constexpr char kEndOfInput[] = "Ctrl-D";
#endif

// --help and --version: their output is the whole job, so a failed write is trouble.
int show(const char* text) {
    try {
        writeAll(kStdout, text, std::strlen(text));
        return kSuccess;
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

// Runs a mode's work and writes what it answered; trouble on the way is said, with input named
// as reading says, and ends the run.
template <typename Work>
int guarded(Output& out, const char* reading, Work&& work) {
    try {
        const int status = work();
        out.flush();
        return status;
    } catch (const WriteError& error) {
        say(std::string("cannot write standard output: ") + error.what());
    } catch (const ReadError& error) {
        flushWhatWeCan(out);
        say(std::string("cannot read ") + reading + ": " + error.what());
    } catch (const std::bad_alloc&) {
        flushWhatWeCan(out);
        say("out of memory");
    } catch (const StopRun&) {
        flushWhatWeCan(out);
    }
    return kTrouble;
}

// A person reads the answers at a terminal, and is told there what was read as free text.
bool personReads(const Options& options) {
    return !options.json && isTerminal(kStdout) && isTerminal(kStderr);
}

// Every text of the run, from wherever they come, then the exit status.
int answerAll(const Options& options, Answerer& plain, Output& out) {
    NoticingAnswerer noticing(plain, options.sneak, out);
    Answerer* const chosen = personReads(options) ? &noticing : &plain;
    Answerer& answerer = *chosen;
    return guarded(out, "standard input", [&] {
        Tally tally;
        if (!options.texts.empty()) {
            answerTexts(options.texts, answerer, tally);
        } else if (wantPrompt()) {
            rollInteractively(options.sneak, out,
                              [&](const char* text, std::size_t length, std::uint64_t line) {
                                  tally.count(answerer.answer(text, length), "line", line);
                              });
        } else {
            LineReader lines(kStdin, [&out] { out.flush(); });
            answerLines(lines, answerer, tally);
        }
        return tally.status();
    });
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

orvik::features::AuditForm formOf(const Options& options) {
    return options.json ? orvik::features::AuditForm::Json : orvik::features::AuditForm::Text;
}

orvik::odds::Faces diceOf(const Options& options) {
    return options.idealDice ? orvik::odds::Faces::Ideal : orvik::odds::Faces::Orvik;
}

// Rolls through the module: the answers themselves, with their dice, or an audit of them.
int rollDice(Mode mode, const Options& options) {
    Module module;
    std::uint32_t seed = 0;
    if (!startModule(options, module, seed)) return kTrouble;
    Output out(kStdout);
    const OrvikRollFn routine = options.sneak ? module.sneakAttack : module.diceMain;
    switch (mode) {
        case Mode::AuditRolls:
            return guarded(out, "standard input", [&] {
                return auditTexts(options.texts, options.rolls, options.sneak, routine,
                                  formOf(options), diceOf(options), out);
            });
        case Mode::Dice:
        case Mode::Json: {
            using Form = orvik::features::FaceRolls::Form;
            FaceAnswerer answerer(routine, options.sneak,
                                  mode == Mode::Json ? Form::Json : Form::Faces, seed, out);
            return answerAll(options, answerer, out);
        }
        default: {
            ModuleAnswerer answerer(routine, out);
            return answerAll(options, answerer, out);
        }
    }
}

// The odds come from the engine linked in here: no module is loaded and nothing rolled.
int showOdds(const Options& options) {
    Output out(kStdout);
    orvik::features::Question question;
    if (options.hasTarget) {
        question.kind = orvik::features::Question::Kind::AtLeast;
        question.target = options.target;
    } else if (options.hasVersus) {
        question.kind = orvik::features::Question::Kind::Versus;
        question.versus = options.versus;
    }
    OddsAnswerer answerer(options.sneak, options.json, std::move(question), out);
    return answerAll(options, answerer, out);
}

// Nothing is rolled: the plan comes from the engine's odds linked in here.
int planAudit(const Options& options) {
    Output out(kStdout);
    orvik::features::PlanOptions plan;
    plan.sneak = options.sneak;
    if (options.hasRolls) plan.rolls = options.rolls;
    for (const std::string& written : options.biases) {
        orvik::audit::Bias bias;
        orvik::features::readBias(written, bias);
        plan.biases.push_back(bias);
    }
    plan.dice = diceOf(options);
    plan.form = formOf(options);
    return guarded(out, "standard input", [&] { return planAudits(options.texts, plan, out); });
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
    LineReader lines(
        fd, [] {}, true);
    orvik::features::LogOptions read;
    read.from = options.from;
    read.byRoller = options.byRoller;
    read.dice = diceOf(options);
    const int status = guarded(
        out, "the log", [&] { return auditLines(lines, source, read, formOf(options), out); });
    if (named) closeFile(fd);
    return status;
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
        const Mode mode = parseOptions(argc, argv, options, error);
        switch (mode) {
            case Mode::Help:
                return show(kUsage);
            case Mode::Version:
                return show("orvik " ORVIK_VERSION "\n");
            case Mode::UsageError:
                return usageError(error);
            case Mode::Odds:
                return showOdds(options);
            case Mode::AuditLog:
                return auditLog(options);
            case Mode::AuditPlan:
                return planAudit(options);
            case Mode::Roll:
            case Mode::Dice:
            case Mode::Json:
            case Mode::AuditRolls:
                break;
        }
        return rollDice(mode, options);
    } catch (const std::bad_alloc&) {
        say("out of memory");
        return kTrouble;
    }
}
