#include "cli/Audit.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "cli/AnswerLog.h"
#include "cli/LineReader.h"
#include "cli/Output.h"
#include "cli/Rolling.h"
#include "dice/DiceError.h"
#include "odds/Audit.h"
#include "odds/AuditReport.h"
#include "odds/Format.h"
#include "odds/Report.h"

namespace orvik::cli {

using odds::countOf;
using odds::Observed;
using odds::Odds;

namespace {

// An answer, shortened to name it: a foreign module's may be long.
std::string named(std::string_view answer) {
    constexpr std::size_t kLongest = 60;
    if (answer.size() <= kLongest) return "\"" + std::string(answer) + "\"";
    return "\"" + std::string(answer.substr(0, kLongest)) + "...\"";
}

// Counts one answer's totals: every group's when they are independent, else the first alone, but
// each checked against what a roll can give.
void countTotals(const Odds& odds, const std::vector<std::int64_t>& totals, Observed& seen) {
    const bool every = odds::countsEveryGroup(odds);
    for (std::size_t g = 0; g < totals.size(); ++g)
        seen.count(odds, totals[g], every || g == 0);
}

// One answer of text's sentence: its totals counted, or the answer named as impossible.
void countAnswer(const Odds& odds, const LoggedAnswer& answer, Observed& seen) {
    ++seen.answers;
    if (!answer.unreadable.empty()) {
        seen.countImpossible(answer.unreadable);
    } else if (answer.totals.size() != static_cast<std::size_t>(odds.groups)) {
        seen.countImpossible(std::to_string(answer.totals.size()) + " totals for " +
                             std::to_string(odds.groups) + " groups");
    } else {
        countTotals(odds, answer.totals, seen);
    }
}

// The odds of a text, or the module's message for a text it refuses.
std::unique_ptr<Odds> oddsOf(const std::string& text, bool sneak, std::string& refusal) {
    try {
        if (text.find_first_of(std::string("\0\n", 2)) != std::string::npos)
            throw DiceError(kInvalidArguments);
        return std::make_unique<Odds>(sneak ? odds::sneakOdds(text.c_str())
                                            : odds::rollOdds(text.c_str()));
    } catch (const DiceError& error) {
        refusal = error.what();
        return nullptr;
    }
}

std::string reportOn(const std::string& text, const Odds& odds, const Observed& seen, bool json,
                     int& status) {
    const odds::Audit result = odds::audit(odds, seen);
    if (result.p <= odds::kUnlikely && status == kAuditFair) status = kAuditUnlikely;
    return json ? odds::formatAuditJson(text, odds, seen, result)
                : odds::formatAuditText(text, odds, seen, result);
}

// Whether answer is the sentence of text, as read from a log; if so, prefix becomes its start up
// to the totals.
bool sentenceOf(std::string_view whole, const std::string& text, bool sneak, LoggedAnswer& answer,
                std::string& prefix) {
    // A log may have something before the sentence; the module's answer may not.
    if (whole.substr(0, 6) != "rolls " ||
        readLogLine(whole.data(), whole.size(), answer) != LogLine::Answer || answer.text != text ||
        answer.sneak != sneak)
        return false;
    prefix = std::string(whole.substr(0, whole.rfind(" and gets ") + 10));
    return true;
}

// Rolls one text through the module; false when the module gave no answer.
bool rollText(const std::string& text, const Odds& odds, std::uint64_t rolls, bool sneak,
              OrvikRollFn routine, Observed& seen) {
    std::vector<char> data;
    std::string prefix;  // the sentence up to its totals, once the first result showed it
    LoggedAnswer answer;
    seen.refusalsCount = true;
    for (std::uint64_t i = 0; i < rolls; ++i) {
        const std::size_t length = ask(routine, data, text.data(), text.size());
        if (length == 0) return false;
        const std::string_view whole(data.data(), length);
        // Most answers are the sentence the first result showed: only their totals are read.
        const bool known = !prefix.empty() && whole.substr(0, prefix.size()) == prefix &&
                           readTotals(whole.substr(prefix.size()), answer);
        if (known || sentenceOf(whole, text, sneak, answer, prefix)) {
            countAnswer(odds, answer, seen);
            continue;
        }
        ++seen.answers;
        if (whole == kInvalidArguments && odds.results.errorProbability > 0.0)
            ++seen.refused;
        else
            seen.countImpossible(named(whole));
    }
    return true;
}

}  // namespace

int auditRolls(const std::vector<const char*>& texts, std::uint64_t rolls, bool sneak,
               OrvikRollFn routine, bool json, Output& out) {
    int status = kAuditFair;
    bool first = true;
    std::uint64_t number = 0;
    for (const char* t : texts) {
        ++number;
        const std::string text(t);
        if (!json && !first) out.line("", 0);
        first = false;
        std::string refusal;
        const std::unique_ptr<Odds> odds = oddsOf(text, sneak, refusal);
        if (!odds) {
            // Nothing to test: every answer would be this message. The report keeps its place
            // among the others; the status is said where trouble is.
            std::string report = json ? odds::formatJsonError(text, refusal.c_str()) : text;
            if (!json) report.append("\n  ").append(refusal).append("\n  nothing to test");
            out.line(report.data(), report.size());
            out.flush();
            const std::string why = "orvik: TEXT " + std::to_string(number) +
                                    ": the module refuses it, so there is nothing to test\n";
            std::fputs(why.c_str(), stderr);
            status = kAuditTrouble;
            continue;
        }
        Observed seen(*odds);
        if (!rollText(text, *odds, rolls, sneak, routine, seen)) {
            out.flush();
            const std::string why = "orvik: TEXT " + std::to_string(number) +
                                    ": the module gave no answer (memory is the likely cause)\n";
            std::fputs(why.c_str(), stderr);
            return kAuditTrouble;
        }
        const std::string report = reportOn(text, *odds, seen, json, status);
        out.line(report.data(), report.size());
    }
    return status;
}

namespace {

// The answers of one roll text in a log.
struct LoggedText {
    std::string text;
    bool sneak = false;
    std::unique_ptr<Odds> odds;  // null when the module refuses the text after all
    std::unique_ptr<Observed> seen;
};

}  // namespace

int auditAnswers(LineReader& lines, const std::string& source, bool json, Output& out) {
    std::vector<LoggedText> texts;
    std::unordered_map<std::string, std::size_t> index;  // by sneak flag and text
    std::uint64_t lineCount = 0;
    std::uint64_t answers = 0;
    std::uint64_t errors = 0;
    std::uint64_t refused = 0;  // answers to texts the module refuses
    std::uint64_t other = 0;
    LoggedAnswer answer;
    const char* line = nullptr;
    std::size_t length = 0;
    while (lines.next(line, length)) {
        ++lineCount;
        const LogLine kind = lines.holdsNul() ? LogLine::Other : readLogLine(line, length, answer);
        if (kind == LogLine::DiceError) ++errors;
        if (kind == LogLine::Refused) ++refused;
        if (kind == LogLine::Other) ++other;
        if (kind != LogLine::Answer) continue;
        const std::string key = (answer.sneak ? "s" : "p") + answer.text;
        auto [at, added] = index.try_emplace(key, texts.size());
        if (added) {
            LoggedText entry;
            entry.text = answer.text;
            entry.sneak = answer.sneak;
            std::string refusal;
            entry.odds = oddsOf(answer.text, answer.sneak, refusal);
            if (entry.odds) entry.seen = std::make_unique<Observed>(*entry.odds);
            texts.push_back(std::move(entry));
        }
        const LoggedText& entry = texts[at->second];
        if (entry.odds) {
            ++answers;
            countAnswer(*entry.odds, answer, *entry.seen);
        } else {
            ++refused;  // no roll of it is ever a result
        }
    }
    std::size_t tested = 0;
    for (const LoggedText& entry : texts)
        tested += entry.odds ? 1U : 0U;
    std::string summary = source + ": " + countOf(lineCount, "line", "lines") + ", " +
                          countOf(answers, "answer", "answers") + " of " +
                          countOf(tested, "roll text", "roll texts") + "; skipped " +
                          countOf(errors, "dice error", "dice errors") + ", " +
                          countOf(other, "other line", "other lines");
    if (refused > 0)
        summary += ", " + countOf(refused, "answer", "answers") + " to texts the module refuses";
    if (json) {
        out.flush();
        std::fprintf(stderr, "orvik: %s\n", summary.c_str());
    } else {
        out.line(summary.data(), summary.size());
    }
    if (answers == 0) {
        // Most likely the wrong file.
        out.flush();
        std::fputs("orvik: no answer of a text the module rolls: nothing to test\n", stderr);
        return kAuditTrouble;
    }
    int status = kAuditFair;
    for (const LoggedText& entry : texts) {
        if (!entry.odds) continue;
        if (!json) out.line("", 0);
        const std::string report = reportOn(entry.text, *entry.odds, *entry.seen, json, status);
        out.line(report.data(), report.size());
    }
    return status;
}

}  // namespace orvik::cli
