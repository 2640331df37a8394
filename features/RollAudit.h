// Were the dice fair? `--audit` of rolls: a roll routine's answers to a text, rolled many times
// and tested against the text's exact odds, with the report and its verdict.
#ifndef ORVIK_FEATURES_ROLLAUDIT_H
#define ORVIK_FEATURES_ROLLAUDIT_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "print/AuditPrint.h"

namespace orvik::features {

// The rolls of one text an audit takes when none are asked for: enough to see a small bias.
inline constexpr std::uint64_t kDefaultRolls = 1000000;
// The most rolls asked of one audit: a trillion take hours, and more is surely a slip.
inline constexpr std::uint64_t kMostRolls = 1000000000000;

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

using print::AuditForm;

// One text's audit of rolls.
struct RollAudit {
    enum class Kind {
        Tested,
        Refused,   // the module refuses the text: nothing to test, as printed says
        NoAnswer,  // the module gave no answer (memory is the likely cause): nothing printed
    };
    Kind kind = Kind::Tested;
    std::string text;
    std::string printed;       // text, or one line of JSON; no newline
    bool unlikely = false;     // the verdict's: totals that fair dice would not give
    std::uint64_t rolled = 0;  // the rolls done: those asked for, unless interrupted
    bool interrupted = false;  // stopped by the watch: printed reports on the rolls done alone
    // Tested: what printed reports, to give it again among others.
    std::shared_ptr<const audit::TextAudit> audit;
};

// What audits given together conclude.
struct AuditsVerdict {
    bool unlikely = false;  // some audit's verdict, adjusted among the others', is unlikely
    std::string headline;   // the verdict on them all, for people; no newline; empty for one
};

// Audits of rolls given together: each tested one printed again in form, its verdict adjusted
// among the others' (Holm's), and the verdict on them all where there are several. Throws
// std::bad_alloc.
AuditsVerdict giveTogether(std::vector<RollAudit>& audits, AuditForm form);

// One text's audit of rolls, made a step at a time, so that a front end can answer between steps
// (a page's worker takes its messages only between calls).
class RollingAudit {
  public:
    // Rolls text through routine (its sneak attack routine when sneak), rolls times in all, to be
    // tested against dice and printed in form. The text's odds are worked out here. Throws
    // std::bad_alloc.
    RollingAudit(std::string text, std::uint64_t rolls, bool sneak, AnswerSource& routine,
                 AuditForm form = AuditForm::Text, odds::Faces dice = odds::Faces::Orvik);
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

    // The audit of the rolls done so far (interrupted when they are fewer than asked for), given
    // alone, or the refusal, printed. Throws std::bad_alloc.
    RollAudit result() const;

  private:
    std::string text_;
    std::uint64_t rolls_;
    bool sneak_;
    AnswerSource& routine_;
    AuditForm form_;
    std::unique_ptr<odds::Odds> odds_;  // null when the module refuses the text
    std::string refusal_;
    std::unique_ptr<audit::AnswerShape> shape_;
    audit::Observed seen_;
    std::string prefix_;  // the sentence up to its totals, once the first result showed it
    LoggedAnswer answer_;
    std::uint64_t done_ = 0;
};

// Rolls text rolls times through routine (its sneak attack routine when sneak) and tests the
// totals against dice, as watch follows and stops it; printed in form. Throws std::bad_alloc.
RollAudit auditRolls(const std::string& text, std::uint64_t rolls, bool sneak,
                     AnswerSource& routine, AuditForm form, const RollWatch& watch = {},
                     odds::Faces dice = odds::Faces::Orvik);

}  // namespace orvik::features

#endif  // ORVIK_FEATURES_ROLLAUDIT_H
