#include "features/RollAudit.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "audit/Audit.h"
#include "dice/DiceError.h"
#include "features/RollText.h"
#include "host/RollRoutine.h"
#include "report/Sentence.h"

namespace orvik::features {

using audit::Observed;
using odds::Odds;

namespace {

// An answer, shortened to name it: a foreign module's may be long.
std::string quoted(std::string_view answer) {
    constexpr std::size_t kLongestQuoted = 60;
    if (answer.size() <= kLongestQuoted) return "\"" + std::string(answer) + "\"";
    return "\"" + std::string(answer.substr(0, kLongestQuoted)) + "...\"";
}

// Whether whole is the sentence of text, as the module writes it; if so, prefix becomes its
// start up to the totals.
bool sentenceOf(std::string_view whole, const std::string& text, bool sneak, LoggedAnswer& answer,
                std::string& prefix) {
    // A log may have something before the sentence; the module's answer may not.
    if (!sentence::isResult(whole.data(), whole.size()) ||
        readLogLine(whole.data(), whole.size(), answer) != LogLine::Answer ||
        answer.sneak != sneak || answer.text() != text)
        return false;
    prefix = std::string(whole.substr(0, totalsStart(whole)));
    return true;
}

}  // namespace

std::string_view EngineAnswers::answer(const char* text, std::size_t length) {
    const std::size_t answer =
        host::handOver(data_, text, length, [this](char* data, std::size_t capacity) {
            if (sneak_)
                host::sneakAttack(data, capacity);
            else
                host::diceMain(data, capacity);
        });
    return {data_.data(), answer};
}

RollingAudit::RollingAudit(std::string text, std::uint64_t rolls, bool sneak, AnswerSource& routine,
                           AuditForm form, odds::Faces dice)
    : text_(std::move(text)), rolls_(rolls), sneak_(sneak), routine_(routine), form_(form) {
    try {
        odds_ = std::make_unique<Odds>(oddsOf(text_, sneak_));
        odds::toFaces(*odds_, dice);
    } catch (const DiceError& error) {
        // Nothing to test: every answer would be this message.
        refusal_ = error.what();
        return;
    }
    shape_ = std::make_unique<audit::AnswerShape>(*odds_);
    seen_ = Observed(*odds_);
    seen_.refusalsCount = true;
}

RollingAudit::~RollingAudit() = default;

bool RollingAudit::roll(std::uint64_t n) {
    if (!odds_) return true;
    const std::uint64_t until = done_ + std::min(rolls_ - done_, n);
    for (; done_ < until; ++done_) {
        const std::string_view whole = routine_.answer(text_.data(), text_.size());
        if (whole.empty()) return false;
        // Most answers are the sentence the first result showed: only their totals are read.
        const bool known = !prefix_.empty() && whole.substr(0, prefix_.size()) == prefix_ &&
                           readTotals(whole.substr(prefix_.size()), answer_);
        if (known || sentenceOf(whole, text_, sneak_, answer_, prefix_)) {
            audit::countAnswer(*shape_, answer_, seen_);
            continue;
        }
        ++seen_.answers;
        if (whole == kInvalidArguments && odds_->results.errorProbability > 0.0)
            ++seen_.refused;
        else
            seen_.countImpossible(quoted(whole));
    }
    return true;
}

RollAudit RollingAudit::result() const {
    RollAudit result;
    result.text = text_;
    if (!odds_) {
        result.kind = RollAudit::Kind::Refused;
        result.printed = print::auditRefusal(text_, refusal_.c_str(), form_);
        return result;
    }
    result.rolled = done_;
    result.interrupted = done_ < rolls_;
    std::vector<audit::TextAudit> alone{audit::auditOf(*odds_, seen_)};
    audit::giveTogether(alone);
    result.unlikely = alone.front().verdict.unlikely();
    result.printed = print::auditPrinted(form_, text_, alone.front());
    result.audit = std::make_shared<const audit::TextAudit>(std::move(alone.front()));
    return result;
}

AuditsVerdict giveTogether(std::vector<RollAudit>& audits, AuditForm form) {
    std::vector<audit::TextAudit> tested;
    std::vector<std::string> names;
    for (const RollAudit& one : audits) {
        if (one.kind != RollAudit::Kind::Tested) continue;
        tested.push_back(*one.audit);
        tested.back().order = tested.size();
        names.push_back(one.text);
    }
    audit::giveTogether(tested);
    AuditsVerdict verdict;
    std::size_t next = 0;
    for (RollAudit& one : audits) {
        if (one.kind != RollAudit::Kind::Tested) continue;
        const audit::TextAudit& again = tested[next++];
        one.unlikely = again.verdict.unlikely();
        one.printed = print::auditPrinted(form, one.text, again);
        verdict.unlikely = verdict.unlikely || one.unlikely;
    }
    if (tested.size() > 1) verdict.headline = print::togetherText(names, tested, false);
    return verdict;
}

RollAudit auditRolls(const std::string& text, std::uint64_t rolls, bool sneak,
                     AnswerSource& routine, AuditForm form, const RollWatch& watch,
                     odds::Faces dice) {
    RollingAudit audit(text, rolls, sneak, routine, form, dice);
    while (!audit.refused() && audit.done() < rolls) {
        if (watch.stop != nullptr && watch.stop->load(std::memory_order_relaxed)) break;
        if (!audit.roll(RollWatch::kEvery)) {
            RollAudit none;
            none.kind = RollAudit::Kind::NoAnswer;
            return none;
        }
        if (watch.progress) watch.progress(audit.done(), rolls);
    }
    return audit.result();
}

}  // namespace orvik::features
