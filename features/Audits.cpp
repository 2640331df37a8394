#include "features/Audits.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "audit/Tests.h"
#include "dice/DiceError.h"
#include "features/RollText.h"
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

// The tests of what was observed, printed.
std::string printedAudit(const std::string& text, const Odds& odds, const Observed& seen, bool json,
                         bool& unlikely) {
    const audit::Tests tests = audit::testTotals(odds, seen);
    const audit::Verdict verdict = audit::verdictOf(odds, seen, tests);
    unlikely = verdict.unlikely();
    return json ? print::auditJson(text, odds, seen, tests, verdict)
                : print::auditText(text, odds, seen, tests, verdict);
}

// Whether whole is the sentence of text, as the module writes it; if so, prefix becomes its
// start up to the totals.
bool sentenceOf(std::string_view whole, const std::string& text, bool sneak, LoggedAnswer& answer,
                std::string& prefix) {
    // A log may have something before the sentence; the module's answer may not.
    if (!sentence::isResult(whole.data(), whole.size()) ||
        readLogLine(whole.data(), whole.size(), answer) != LogLine::Answer || answer.text != text ||
        answer.sneak != sneak)
        return false;
    prefix = std::string(whole.substr(0, totalsStart(whole)));
    return true;
}

// How rolling one text through the module ended.
enum class Rolled { All, Stopped, NoAnswer };

Rolled rollText(const std::string& text, const Odds& odds, std::uint64_t rolls, bool sneak,
                AnswerSource& module, const RollWatch& watch, Observed& seen) {
    std::string prefix;  // the sentence up to its totals, once the first result showed it
    LoggedAnswer answer;
    seen.refusalsCount = true;
    for (std::uint64_t done = 0; done < rolls;) {
        if (watch.stop != nullptr && watch.stop->load(std::memory_order_relaxed))
            return Rolled::Stopped;
        const std::uint64_t until = done + std::min(rolls - done, RollWatch::kEvery);
        for (; done < until; ++done) {
            const std::string_view whole = module.answer(text.data(), text.size());
            if (whole.empty()) return Rolled::NoAnswer;
            // Most answers are the sentence the first result showed: only their totals are read.
            const bool known = !prefix.empty() && whole.substr(0, prefix.size()) == prefix &&
                               readTotals(whole.substr(prefix.size()), answer);
            if (known || sentenceOf(whole, text, sneak, answer, prefix)) {
                audit::countAnswer(odds, answer, seen);
                continue;
            }
            ++seen.answers;
            if (whole == kInvalidArguments && odds.results.errorProbability > 0.0)
                ++seen.refused;
            else
                seen.countImpossible(quoted(whole));
        }
        if (watch.progress) watch.progress(done, rolls);
    }
    return Rolled::All;
}

}  // namespace

RollAudit auditRolls(const std::string& text, std::uint64_t rolls, bool sneak, AnswerSource& module,
                     bool json, const RollWatch& watch) {
    RollAudit result;
    std::unique_ptr<Odds> odds;
    try {
        odds = std::make_unique<Odds>(oddsOf(text, sneak));
    } catch (const DiceError& error) {
        // Nothing to test: every answer would be this message.
        result.kind = RollAudit::Kind::Refused;
        result.printed = print::auditRefusal(text, error.what(), json);
        return result;
    }
    Observed seen(*odds);
    const Rolled rolled = rollText(text, *odds, rolls, sneak, module, watch, seen);
    if (rolled == Rolled::NoAnswer) {
        result.kind = RollAudit::Kind::NoAnswer;
        return result;
    }
    result.rolled = seen.answers;
    result.interrupted = rolled == Rolled::Stopped;
    result.printed = printedAudit(text, *odds, seen, json, result.unlikely);
    return result;
}

// The answers of one roll text in a log.
struct LogAudit::Text {
    std::string text;
    bool sneak = false;
    std::unique_ptr<Odds> odds;  // null when the module refuses the text after all
    std::unique_ptr<Observed> seen;
};

LogAudit::LogAudit() = default;
LogAudit::~LogAudit() = default;

void LogAudit::read(const char* line, std::size_t length) {
    ++counts_.lines;
    const LogLine kind = std::memchr(line, '\0', length) != nullptr
                             ? LogLine::Other
                             : readLogLine(line, length, answer_);
    if (kind == LogLine::DiceError) ++counts_.errors;
    if (kind == LogLine::Refused) ++counts_.refused;
    if (kind == LogLine::Other) ++counts_.other;
    if (kind != LogLine::Answer) return;
    const std::string key = (answer_.sneak ? "s" : "p") + answer_.text;
    auto [at, added] = index_.try_emplace(key, texts_.size());
    if (added) {
        auto entry = std::make_unique<Text>();
        entry->text = answer_.text;
        entry->sneak = answer_.sneak;
        // The text as the reader parsed it: the odds need not read it again.
        try {
            entry->odds = std::make_unique<Odds>(
                answer_.sneak
                    ? odds::sneakOdds(answer_.text.c_str(), answer_.sneakRoll, answer_.roll)
                    : odds::rollOdds(answer_.text.c_str(), answer_.roll));
            entry->seen = std::make_unique<Observed>(*entry->odds);
            ++counts_.texts;
        } catch (const DiceError&) {
            // No roll of it is ever a result: its answers count as refused.
        }
        texts_.push_back(std::move(entry));
    }
    const Text& entry = *texts_[at->second];
    if (entry.odds) {
        ++counts_.answers;
        audit::countAnswer(*entry.odds, answer_, *entry.seen);
    } else {
        ++counts_.refused;
    }
}

std::string LogAudit::summary(const std::string& source) const {
    return print::logSummary(source, counts_);
}

bool LogAudit::eachText(bool json, const std::function<void(const std::string&)>& each) const {
    bool anyUnlikely = false;
    for (const auto& entry : texts_) {
        if (!entry->odds) continue;
        bool unlikely = false;
        each(printedAudit(entry->text, *entry->odds, *entry->seen, json, unlikely));
        anyUnlikely = anyUnlikely || unlikely;
    }
    return anyUnlikely;
}

}  // namespace orvik::features
