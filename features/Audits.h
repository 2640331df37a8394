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

// Rolls text rolls times through module (its sneak attack routine when sneak) and tests the
// totals, as watch follows and stops it. Throws std::bad_alloc.
RollAudit auditRolls(const std::string& text, std::uint64_t rolls, bool sneak, AnswerSource& module,
                     bool json, const RollWatch& watch = {});

// A game's log, read line by line, and its roll texts' audits.
class LogAudit {
  public:
    LogAudit();
    ~LogAudit();
    LogAudit(const LogAudit&) = delete;
    LogAudit& operator=(const LogAudit&) = delete;
    LogAudit(LogAudit&&) = delete;
    LogAudit& operator=(LogAudit&&) = delete;

    // One line, without its end. Throws std::bad_alloc.
    void read(const char* line, std::size_t length);

    // The answers counted, of texts the module rolls: none leaves nothing to test.
    std::uint64_t answers() const { return counts_.answers; }

    // One line on what the log held, source naming it.
    std::string summary(const std::string& source) const;

    // Hands each text's audit, printed, to each (text, or one line of JSON; no newline), in the
    // order the texts first came. True when any verdict is unlikely.
    bool eachText(bool json, const std::function<void(const std::string&)>& each) const;

  private:
    struct Text;
    LoggedAnswer answer_;  // the line last read
    std::vector<std::unique_ptr<Text>> texts_;
    std::unordered_map<std::string, std::size_t> index_;  // by sneak flag and text
    print::LogCounts counts_;
};

}  // namespace orvik::features

#endif  // ORVIK_FEATURES_AUDITS_H
