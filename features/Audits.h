// Were the dice fair? `--audit`: a module's rolls of a text, or the answers in a game's log,
// tested against the texts' exact odds, and each text's report with its verdict.
#ifndef ORVIK_FEATURES_AUDITS_H
#define ORVIK_FEATURES_AUDITS_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "print/AuditPrint.h"

namespace orvik::features {

// A roll routine to audit: the module a command loaded, or the engine in this process.
class AnswerSource {
  public:
    AnswerSource() = default;
    virtual ~AnswerSource() = default;
    AnswerSource(const AnswerSource&) = delete;
    AnswerSource& operator=(const AnswerSource&) = delete;
    AnswerSource(AnswerSource&&) = delete;
    AnswerSource& operator=(AnswerSource&&) = delete;

    // The routine's answer to text (length bytes, a roll text), valid until the next call; empty
    // when it gave none.
    virtual std::string_view answer(const char* text, std::size_t length) = 0;
};

// The engine's own roll routine in this process, as a front end with no module to load audits it.
class EngineAnswers final : public AnswerSource {
  public:
    explicit EngineAnswers(bool sneak) : sneak_(sneak) {}
    std::string_view answer(const char* text, std::size_t length) override;

  private:
    bool sneak_;
    std::vector<char> data_;
};

// How a long audit of rolls is followed and stopped, by any front end: a terminal's signal
// handler, a page's worker. Both are looked at every kEvery rolls, seldom enough to cost nothing
// beside the rolls, often enough to answer at once.
struct RollWatch {
    static constexpr std::uint64_t kEvery = 4096;
    // Given the rolls done and those asked for, after every kEvery rolls and after the last. May
    // be empty.
    std::function<void(std::uint64_t done, std::uint64_t asked)> progress;
    // Once true (it may be set from a signal handler or another thread), the rolling stops, and
    // the audit is of the rolls done. May be null.
    const std::atomic<bool>* stop = nullptr;
};

// One text's audit of rolls.
struct RollAudit {
    enum class Kind {
        Tested,
        Refused,   // the module refuses the text: nothing to test, as printed says
        NoAnswer,  // the module gave no answer (memory is the likely cause): nothing printed
    };
    Kind kind = Kind::Tested;
    std::string printed;       // text, or one line of JSON; no newline
    bool unlikely = false;     // the verdict's: totals that fair dice would not give
    std::uint64_t rolled = 0;  // the rolls done: those asked for, unless interrupted
    bool interrupted = false;  // stopped by the watch: printed reports on the rolls done alone
};

// One text's audit of rolls, made a step at a time, so that a front end can answer between steps
// (a page's worker takes its messages only between calls).
class RollingAudit {
  public:
    // Rolls text through module (its sneak attack routine when sneak), rolls times in all. The
    // text's odds are worked out here. Throws std::bad_alloc.
    RollingAudit(std::string text, std::uint64_t rolls, bool sneak, AnswerSource& module);
    ~RollingAudit();
    RollingAudit(const RollingAudit&) = delete;
    RollingAudit& operator=(const RollingAudit&) = delete;
    RollingAudit(RollingAudit&&) = delete;
    RollingAudit& operator=(RollingAudit&&) = delete;

    // The module refuses the text: there is nothing to roll, and result() says so.
    bool refused() const { return !odds_; }
    std::uint64_t done() const { return done_; }

    // Up to n more rolls, never past those asked for. False when the module gave no answer: the
    // audit cannot go on. Throws std::bad_alloc.
    bool roll(std::uint64_t n);

    // The audit of the rolls done so far (interrupted when they are fewer than asked for), or
    // the refusal, printed. Throws std::bad_alloc.
    RollAudit result(bool json) const;

  private:
    std::string text_;
    std::uint64_t rolls_;
    bool sneak_;
    AnswerSource& module_;
    std::unique_ptr<odds::Odds> odds_;  // null when the module refuses the text
    std::string refusal_;
    std::unique_ptr<audit::AnswerShape> shape_;
    audit::Observed seen_;
    std::string prefix_;  // the sentence up to its totals, once the first result showed it
    LoggedAnswer answer_;
    std::uint64_t done_ = 0;
};

// Rolls text rolls times through module (its sneak attack routine when sneak) and tests the
// totals, as watch follows and stops it. Throws std::bad_alloc.
RollAudit auditRolls(const std::string& text, std::uint64_t rolls, bool sneak, AnswerSource& module,
                     bool json, const RollWatch& watch = {});

// How a log is read.
struct LogOptions {
    // Only answers in lines where this stands before the sentence count, as a log marks the
    // host's own lines; empty: every line is trusted.
    std::string from;
    // Each roller's answers (the name before "rolls") are audited apart as well as together.
    bool byRoller = false;
};

// A game's log, read line by line, and its roll texts' audits. Texts whose odds are the same
// (the same dice, whatever their free text, where it cannot make a sentence too long) are tested
// together. What it keeps grows with the answers' totals and the different rolls, not with the
// lines or their free text: for each roll its first text and a few more names, which totals an
// answer can hold, and a count of each total seen within the range seen; the odds themselves
// are kept only while they are small, and worked out again for the audit.
class LogAudit {
  public:
    explicit LogAudit(LogOptions options = {});
    ~LogAudit();
    LogAudit(const LogAudit&) = delete;
    LogAudit& operator=(const LogAudit&) = delete;
    LogAudit(LogAudit&&) = delete;
    LogAudit& operator=(LogAudit&&) = delete;

    // One line, without its end. Throws std::bad_alloc, and then counts nothing of the line, so
    // that what was read before it can still be audited.
    void read(const char* line, std::size_t length);

    // A log held in memory, a piece at a time: every line the pieces end, each ended by "\n"
    // (a "\r" before it is a blank, as read() takes it), and with last the line left over.
    // Throws std::bad_alloc.
    void readText(std::string_view piece, bool last);

    // The answers counted, of texts the module rolls: none leaves nothing to test.
    std::uint64_t answers() const { return counts_.answers; }
    // The lines read whole.
    std::uint64_t linesRead() const { return counts_.lines; }
    // Lines that held a NUL byte, as a UTF-16 log without a byte-order mark would.
    std::uint64_t linesWithNul() const { return linesWithNul_; }

    // One line on what the log held, source naming it.
    std::string summary(const std::string& source) const;

    // Hands each roll's audit, printed, to each (text, or one line of JSON; no newline), in the
    // order the rolls first came, each roller's after everyone's. True when any verdict is
    // unlikely. Throws std::bad_alloc.
    bool eachText(bool json, const std::function<void(const std::string&)>& each) const;

  private:
    struct Tally;
    struct Pool;
    struct KeyHash {
        std::size_t operator()(const odds::OddsKey& key) const;
    };
    // The pool of text, the one just read, made at its first answer.
    Pool* poolOf(const std::string& text);
    // read() but for the count of lines.
    void take(const char* line, std::size_t length);

    LogOptions options_;
    LoggedAnswer answer_;  // the line last read
    std::string partLine_;  // readText's line begun in one piece and not yet ended
    std::vector<std::unique_ptr<Pool>> pools_;
    std::unordered_map<odds::OddsKey, std::size_t, KeyHash> index_;
    std::size_t keptOdds_ = 0;  // the chances kept, in totals
    print::LogCounts counts_;
    std::uint64_t linesWithNul_ = 0;
};

}  // namespace orvik::features

#endif  // ORVIK_FEATURES_AUDITS_H
