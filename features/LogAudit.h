// Were the dice fair? `--audit --answers`: the answers in a game's log, read line by line and
// tested by roll text against the texts' exact odds, each with its report and verdict, and a
// verdict on them all.
#ifndef ORVIK_FEATURES_LOGAUDIT_H
#define ORVIK_FEATURES_LOGAUDIT_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "odds/SharedDice.h"
#include "print/AuditPrint.h"

namespace orvik::features {

using print::AuditForm;

// How a log is read.
struct LogOptions {
    // Only answers in lines this marks as the host's count: it stands where the line's speaker
    // does, with only the roller's name after it (report/Speaker.h); empty: every line is
    // trusted.
    std::string from;
    // Each roller's answers (the name before "rolls") are audited apart as well as together.
    bool byRoller = false;
    // The dice the totals are tested against: Orvik's, or ideal ones.
    odds::Faces dice = odds::Faces::Orvik;
};

// What the log's audits, given together, conclude.
struct LogVerdict {
    bool unlikely = false;  // some audit's verdict, adjusted among the others', is unlikely
    std::string headline;   // the verdict on them all, for people; no newline
};

// A game's log, read line by line, and its roll texts' audits. Texts whose odds are the same
// (the same dice, whatever their free text, where it cannot make a sentence too long), or a shift
// of one another (the same dice but for the modifier and the groups, where no answer can be
// refused), are tested together, each total moved to the first text's. What it keeps grows with
// the different rolls and the different totals their answers hold, not with the lines, their
// free text or the range of the totals: for each roll its first text and a few more names, which
// totals an answer can hold (a bit each), and a count of each different total seen
// (TotalCounts), everyone's and each roller's; the odds and the dice's chances are kept only
// while they take little room, and worked out again for the audit.
class LogAudit {
  public:
    explicit LogAudit(LogOptions options = {}, AuditForm form = AuditForm::Text);
    ~LogAudit();
    LogAudit(const LogAudit&) = delete;
    LogAudit& operator=(const LogAudit&) = delete;
    LogAudit(LogAudit&&) = delete;
    LogAudit& operator=(LogAudit&&) = delete;

    // One line, without its end. Throws std::bad_alloc, and then counts nothing of the line, so
    // that what was read before it can still be audited, and lets go of the odds it keeps to
    // save work, which the audit then works out again in the room they leave.
    void read(const char* line, std::size_t length);

    // A log held in memory, a piece at a time: every line the pieces end, each ended by "\n"
    // (a "\r" before it is a blank, as read() takes it), and with last the line left over.
    // Throws std::bad_alloc, as read() does, and then lets go of the line begun too: the caller
    // reads no more of the log.
    void readText(std::string_view piece, bool last);

    // The answers counted, of texts the module rolls: none leaves nothing to test.
    std::uint64_t answers() const { return counts_.answers; }
    // The lines read whole.
    std::uint64_t linesRead() const { return counts_.lines; }
    // Lines that held a NUL byte, as a UTF-16 log without a byte-order mark would.
    std::uint64_t linesWithNul() const { return linesWithNul_; }

    // One line on what the log held, source naming it.
    std::string summary(const std::string& source) const;

    // Audits every roll, gives the audits together (each verdict adjusted among the others'), and
    // hands each report, printed in the form asked for (text, or one line of JSON; no newline),
    // to each, in the order the rolls first came, each roller's after everyone's. An audit that
    // memory runs out for is handed over as saying so (print::auditOutOfMemory), counts among the
    // others as one whose p-value is 1, and the others are still made. Throws std::bad_alloc.
    LogVerdict eachText(const std::function<void(const std::string&)>& each) const;

    // The roll texts some audit of which the last eachText could not make for want of memory.
    std::uint64_t untested() const { return untested_; }

  private:
    struct Tally;
    struct Roll;
    struct Pool;
    struct KeyHash {
        std::size_t operator()(const odds::OddsKey& key) const;
    };
    // The roll of text, the one just read, made at its first answer (then made is set, and
    // madePool where its pool is new too).
    Roll& rollOf(const std::string& text, bool& made, bool& madePool);
    // The pool a roll of these odds joins, made if it is the first (then made is set).
    std::size_t poolFor(const std::string& text, odds::Odds&& odds, std::int64_t& shift,
                        bool& made);
    // Takes back the roll rollOf made last, and its pool with it when madePool.
    void forgetLastRoll(bool madePool) noexcept;
    // Takes back the pool poolFor made last.
    void forgetLastPool() noexcept;
    // Lets go of what can be worked out again: the odds kept and the dice's chances.
    void letGo() noexcept;
    // read() but for the count of lines.
    void take(const char* line, std::size_t length);

    LogOptions options_;
    AuditForm form_;
    LoggedAnswer answer_;               // the line last read
    std::vector<std::int64_t> tested_;  // its totals that count, moved, with room for every one
    std::string partLine_;              // readText's line begun in one piece and not yet ended
    std::vector<std::unique_ptr<Roll>> rolls_;
    std::unordered_map<odds::OddsKey, std::size_t, KeyHash> index_;
    std::vector<std::unique_ptr<Pool>> pools_;
    std::unordered_map<odds::OddsKey, std::size_t, KeyHash> shapes_;  // modifiers and groups 0
    std::size_t keptOdds_ = 0;       // the chances kept (chancesOf)
    std::uint64_t tallies_ = 0;      // the audits made so far, in the order they came
    mutable odds::SharedDice dice_;  // the chances of the dice the rolls share
    print::LogCounts counts_;
    std::uint64_t linesWithNul_ = 0;
    mutable std::uint64_t untested_ = 0;
};

}  // namespace orvik::features

#endif  // ORVIK_FEATURES_LOGAUDIT_H
