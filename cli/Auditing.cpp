#include "cli/Auditing.h"

#include <atomic>
#include <csignal>

#include "cli/Io.h"
#include "cli/LineReader.h"
#include "cli/Messages.h"
#include "cli/Module.h"
#include "cli/Output.h"
#include "cli/Progress.h"
#include "dice/DiceError.h"
#include "print/Format.h"
#include "print/ProgressPrint.h"

namespace orvik::cli {

namespace {

// Set by Ctrl-C (SIGINT) while an audit runs.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler may set it");

extern "C" void onInterrupt(int /*signal*/) {
    interrupted.store(true);
    // A second Ctrl-C ends the run at once, as if nothing had caught the first.
    std::signal(SIGINT, SIG_DFL);
}

// Catches Ctrl-C while it lives, unless SIGINT was ignored (a shell's background job), and then
// leaves it as it was.
class CatchInterrupt {
  public:
    CatchInterrupt() : previous_(install()) {
        if (previous_ == SIG_IGN) std::signal(SIGINT, SIG_IGN);
    }
    ~CatchInterrupt() {
        if (previous_ != SIG_ERR) std::signal(SIGINT, previous_);
    }
    CatchInterrupt(const CatchInterrupt&) = delete;
    CatchInterrupt& operator=(const CatchInterrupt&) = delete;
    CatchInterrupt(CatchInterrupt&&) = delete;
    CatchInterrupt& operator=(CatchInterrupt&&) = delete;

  private:
    using Handler = void (*)(int);
    static Handler install() {
        interrupted.store(false);
        return std::signal(SIGINT, onInterrupt);
    }
    Handler previous_;
};

// A log's lines read between looks at the clock for its progress.
constexpr std::uint64_t kLinesBetweenLooks = 4096;

}  // namespace

int auditTexts(const std::vector<const char*>& texts, std::uint64_t rolls, bool sneak,
               OrvikRollFn routine, features::AuditForm form, odds::Faces dice, Output& out) {
    ModuleAnswers module(routine);
    const CatchInterrupt catchInterrupt;
    const bool showProgress = isTerminal(kStderr);
    const bool json = form == features::AuditForm::Json;
    int status = kSuccess;
    std::uint64_t number = 0;
    // Each verdict is adjusted among the others': the reports wait for the last text.
    std::vector<features::RollAudit> audits;
    const auto report = [&] {
        const features::AuditsVerdict verdict = features::giveTogether(audits, form);
        for (std::size_t i = 0; i < audits.size(); ++i) {
            if (!json && i > 0) out.line("", 0);
            out.line(audits[i].printed.data(), audits[i].printed.size());
        }
        if (!json && !verdict.headline.empty()) {
            out.line("", 0);
            out.line(verdict.headline.data(), verdict.headline.size());
        }
        out.flush();
        if (verdict.unlikely && status == kSuccess) status = kFailure;
    };
    for (const char* text : texts) {
        ++number;
        features::RollAudit audit;
        {
            ProgressLine progress(number);
            features::RollWatch watch;
            watch.stop = &interrupted;
            if (showProgress) {
                watch.progress = [&progress](std::uint64_t done, std::uint64_t asked) {
                    progress.update(done, asked);
                };
            }
            audit = features::auditRolls(text, rolls, sneak, module, form, watch, dice);
        }
        if (audit.kind == features::RollAudit::Kind::NoAnswer) {
            report();
            say(noAnswer("TEXT", number));
            return kTrouble;
        }
        if (audit.kind == features::RollAudit::Kind::Refused) {
            // What it printed keeps its place among the others; the status is said where trouble
            // is.
            say("TEXT " + std::to_string(number) +
                ": the module refuses it, so there is nothing to test");
            status = kTrouble;
        }
        audits.push_back(std::move(audit));
        if (interrupted.load()) {
            // The later texts are not rolled.
            report();
            say("TEXT " + std::to_string(number) + ": interrupted after " +
                print::progressOf(audits.back().rolled, rolls, 0.0).done +
                "; the report is of those");
            return kInterrupted;
        }
    }
    report();
    return status;
}

int auditLines(LineReader& lines, const std::string& source, const features::LogOptions& options,
               features::AuditForm form, Output& out) {
    const bool json = form == features::AuditForm::Json;
    features::LogAudit audit(options, form);
    std::uint64_t stoppedAt = 0;  // the line memory ran out at
    const CatchInterrupt catchInterrupt;
    lines.stopWhen(&interrupted);
    try {
        const char* line = nullptr;
        std::size_t length = 0;
        ProgressLine progress(0);
        const bool showProgress = isTerminal(kStderr) && !isTerminal(lines.fd());
        const std::uint64_t size = fileSize(lines.fd());
        while (!interrupted.load(std::memory_order_relaxed) && lines.next(line, length)) {
            audit.read(line, length);
            if (showProgress && lines.lineNumber() % kLinesBetweenLooks == 0)
                progress.update(lines.bytesRead(), size);
        }
    } catch (const Interrupted&) {
        // Stopped while input was awaited, or part-way through a line, which is not read.
        lines.release();
    } catch (const std::bad_alloc&) {
        // A line too long to hold, or one more roll to keep: what came before it still counts.
        stoppedAt = lines.lineNumber() + 1;
        if (audit.linesRead() == lines.lineNumber() - 1) stoppedAt = lines.lineNumber();
        lines.release();
    }
    const std::string summary = audit.summary(source);
    if (json) {
        out.flush();
        say(summary);
    } else {
        out.line(summary.data(), summary.size());
    }
    if (audit.answers() == 0) {
        // Most likely the wrong file, or one written in UTF-16 without saying so.
        out.flush();
        say("no answer of a text the module rolls: nothing to test");
        if (audit.linesWithNul() > 0 && stoppedAt == 0)
            say("its lines hold NUL bytes: a log saved as UTF-16 needs its byte-order mark");
    }
    bool unlikely = false;
    if (audit.answers() > 0) {
        const features::LogVerdict verdict = audit.eachText([&](const std::string& printed) {
            if (!json) out.line("", 0);
            out.line(printed.data(), printed.size());
        });
        if (!json) {
            out.line("", 0);
            out.line(verdict.headline.data(), verdict.headline.size());
        }
        unlikely = verdict.unlikely;
    }
    if (audit.untested() > 0) {
        out.flush();
        say("memory ran out before " + print::countOf(audit.untested(), "roll text", "roll texts") +
            " could be tested: their reports say so");
    }
    if (interrupted.load()) {
        out.flush();
        say("the log: interrupted after line " + std::to_string(audit.linesRead()) +
            "; the report is of the lines up to it");
        return kInterrupted;
    }
    if (stoppedAt > 0) {
        out.flush();
        say("memory ran out at line " + std::to_string(stoppedAt) +
            " of the log: what is reported is of the lines before it");
        return kTrouble;
    }
    if (audit.answers() == 0 || audit.untested() > 0) return kTrouble;
    return unlikely ? kFailure : kSuccess;
}

int planAudits(const std::vector<const char*>& texts, const features::PlanOptions& options,
               Output& out) {
    int status = kSuccess;
    std::uint64_t number = 0;
    for (const char* text : texts) {
        ++number;
        if (options.form == features::AuditForm::Text && number > 1) out.line("", 0);
        std::string printed;
        try {
            printed = features::planOf(text, options);
        } catch (const DiceError& error) {
            printed = print::auditRefusal(text, error.what(), options.form);
            say("TEXT " + std::to_string(number) +
                ": the module refuses it, so there is nothing to plan");
            status = kTrouble;
        }
        out.line(printed.data(), printed.size());
    }
    return status;
}

}  // namespace orvik::cli
