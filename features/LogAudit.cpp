#include "features/LogAudit.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

#include "audit/Tests.h"
#include "dice/DiceError.h"
#include "features/RollText.h"
#include "features/TotalCounts.h"
#include "host/RollRoutine.h"
#include "report/Speaker.h"

namespace orvik::features {

using odds::Odds;

namespace {

// The names kept of the texts pooled with a roll's first text.
constexpr std::size_t kPooledNames = 5;
// The chances kept of all the rolls' odds together (8 bytes each, 64 MB): beyond it a roll's
// odds are worked out again for its audit rather than kept.
constexpr std::size_t kMostKeptTotals = std::size_t{1} << 23;

// The chances a roll's odds hold, as kept for its audit: each total's, and each total's scaled
// where results are too unlikely for a double.
std::size_t chancesOf(const Odds& odds) {
    return odds.results.totals.probability.size() + odds.results.scaled.size();
}

// The name before "rolls " on an answer's line: the last word before the sentence, cut as a long
// total is.
std::string rollerName(std::string_view before) {
    while (!before.empty() && (before.back() == ' ' || before.back() == '\t'))
        before.remove_suffix(1);
    const std::size_t blank = before.find_last_of(" \t");
    std::string_view name = blank == std::string_view::npos ? before : before.substr(blank + 1);
    if (name.size() <= kMostNamed) return std::string(name);
    return std::string(name.substr(0, kMostNamed)) + "...";
}

}  // namespace

// The answers of one roll, or of one roller's rolls of it, counted: the tested totals, in memory
// that grows with the different totals seen, not with their range.
struct LogAudit::Tally {
    audit::Observed seen;  // its counts stay empty: counts holds them
    TotalCounts counts;

    // What was seen with one more answer counted, and the totals it adds (into tested, whose room
    // is reserved, when given): the tally itself is left as it was, so that memory running out
    // counts nothing of the answer.
    audit::Observed seenWith(const audit::AnswerShape& shape, const LoggedAnswer& answer,
                             std::vector<std::int64_t>* tested) const {
        audit::Observed out = seen;
        audit::countAnswer(shape, answer, out, [tested](std::int64_t total) {
            if (tested != nullptr) tested->push_back(total);
        });
        return out;
    }

    // Takes in what seenWith() gave, once counts has room for tested: needs no memory.
    void add(audit::Observed&& with, const std::vector<std::int64_t>& tested) noexcept {
        seen = std::move(with);
        for (const std::int64_t total : tested)
            counts.count(total);
    }

    // What was seen, with its counts laid out over odds' totals.
    audit::Observed observed(const Odds& odds) const {
        audit::Observed out = seen;
        out.counts.assign(odds.results.totals.probability.size(), 0);
        counts.each([&](std::int64_t total, std::uint64_t count) {
            out.counts[static_cast<std::size_t>(total - odds.results.totals.lowest)] = count;
        });
        return out;
    }
};

// The answers of the texts that share one roll's odds.
struct LogAudit::Pool {
    odds::OddsKey key;
    std::string text;  // the first, which names the roll
    bool sneak = false;
    std::vector<std::string> pooled;  // the next different texts, kPooledNames of them
    bool morePooled = false;
    std::unique_ptr<audit::AnswerShape> shape;  // null when the module refuses these texts
    std::unique_ptr<Odds> odds;                 // when kept
    Tally all;
    std::vector<std::pair<std::string, Tally>> rollers;  // in the order they first came
    std::unordered_map<std::string, std::size_t> rollerIndex;

    void name(const std::string& other) {
        if (other == text || morePooled ||
            std::find(pooled.begin(), pooled.end(), other) != pooled.end())
            return;
        if (pooled.size() == kPooledNames) {
            morePooled = true;
            return;
        }
        pooled.push_back(other);
    }

    // The roller's tally; added says whether it is new.
    Tally& rollerTally(std::string roller, bool& added) {
        const auto at = rollerIndex.try_emplace(roller, rollers.size());
        if (at.second) {
            try {
                rollers.emplace_back(std::move(roller), Tally{});
            } catch (...) {
                rollerIndex.erase(at.first);
                throw;
            }
        }
        added = at.second;
        return rollers[at.first->second].second;
    }

    // Takes back the roller rollerTally added last.
    void forgetLastRoller() noexcept {
        rollerIndex.erase(rollers.back().first);
        rollers.pop_back();
    }
};

std::size_t LogAudit::KeyHash::operator()(const odds::OddsKey& key) const {
    std::size_t h = key.sneak ? 1 : 0;
    for (const std::int64_t part :
         {std::int64_t{key.groups}, std::int64_t{key.roll.dice}, std::int64_t{key.roll.sides},
          std::int64_t{key.roll.modifier}, std::int64_t{key.sneakDice.dice},
          std::int64_t{key.sneakDice.sides}, std::int64_t{key.sneakDice.modifier}, key.budget})
        h = h * 1000003u ^ std::hash<std::int64_t>{}(part);
    return h;
}

LogAudit::LogAudit(LogOptions options) : options_(std::move(options)) {
    counts_.from = options_.from;
    tested_.reserve(kMostTotals);
}

LogAudit::~LogAudit() = default;

LogAudit::Pool& LogAudit::poolOf(const std::string& text, bool& made) {
    const odds::OddsKey key = answer_.sneak
                                  ? odds::sneakKey(text.c_str(), answer_.sneakRoll, answer_.roll)
                                  : odds::rollKey(text.c_str(), answer_.roll);
    made = false;
    if (const auto at = index_.find(key); at != index_.end()) return *pools_[at->second];
    auto pool = std::make_unique<Pool>();
    pool->key = key;
    pool->text = text;
    pool->sneak = answer_.sneak;
    std::size_t kept = 0;
    try {
        // The text as the reader parsed it: the odds need not read it again.
        Odds odds = answer_.sneak
                        ? odds::sneakOdds(text.c_str(), answer_.sneakRoll, answer_.roll, &dice_)
                        : odds::rollOdds(text.c_str(), answer_.roll, &dice_);
        pool->shape = std::make_unique<audit::AnswerShape>(odds);
        const std::size_t totals = chancesOf(odds);
        if (keptOdds_ + totals <= kMostKeptTotals) {
            // The parts' own totals serve the odds' questions, not an audit.
            odds.results.sneakTotals = {};
            odds.results.mainTotals = {};
            pool->odds = std::make_unique<Odds>(std::move(odds));
            kept = totals;
        }
    } catch (const DiceError&) {
        // No roll of these texts is ever a result: their answers count as refused.
    }
    pools_.push_back(std::move(pool));
    try {
        index_.emplace(key, pools_.size() - 1);
    } catch (...) {
        pools_.pop_back();
        throw;
    }
    keptOdds_ += kept;
    if (pools_.back()->shape) ++counts_.texts;
    made = true;
    return *pools_.back();
}

void LogAudit::forgetLastPool() noexcept {
    const Pool& pool = *pools_.back();
    if (pool.odds) keptOdds_ -= chancesOf(*pool.odds);
    if (pool.shape) --counts_.texts;
    index_.erase(pool.key);
    pools_.pop_back();
}

void LogAudit::read(const char* line, std::size_t length) {
    ++counts_.lines;
    try {
        take(line, length);
    } catch (const std::bad_alloc&) {
        --counts_.lines;  // the line is not read
        letGo();
        throw;
    } catch (...) {
        --counts_.lines;
        throw;
    }
}

void LogAudit::letGo() noexcept {
    for (const auto& pool : pools_)
        pool->odds.reset();
    keptOdds_ = 0;
    dice_.clear();
}

void LogAudit::take(const char* line, std::size_t length) {
    if (std::memchr(line, '\0', length) != nullptr) {
        ++linesWithNul_;
        ++counts_.other;
        return;
    }
    switch (readLogLine(line, length, answer_)) {
        case LogLine::Answer:
            break;
        case LogLine::DiceError:
            ++counts_.errors;
            return;
        case LogLine::Refused:
            ++counts_.refused;
            return;
        case LogLine::Untried:
            ++counts_.untried;
            return;
        case LogLine::Other:
            ++counts_.other;
            return;
    }
    if (!options_.from.empty() && !spokenBy(answer_.before, options_.from)) {
        ++counts_.notFrom;
        return;
    }
    // No sentence of a text this long fits the buffer a host hands over with it: the module
    // refuses it, and it need not be copied.
    if (answer_.textLength() >= host::kMinHostBuffer) {
        ++counts_.refused;
        return;
    }
    const std::string text = answer_.text();
    bool newPool = false;
    Pool& pool = poolOf(text, newPool);
    if (!pool.shape) {
        ++counts_.refused;
        return;
    }
    // Everything that takes memory first, so that memory running out counts nothing of the
    // answer: what it would have added is taken back.
    bool newRoller = false;
    try {
        Tally* roller =
            options_.byRoller ? &pool.rollerTally(rollerName(answer_.before), newRoller) : nullptr;
        tested_.clear();
        audit::Observed all = pool.all.seenWith(*pool.shape, answer_, &tested_);
        pool.all.counts.prepare(tested_.data(), tested_.size());
        audit::Observed byRoller;
        if (roller != nullptr) {
            byRoller = roller->seenWith(*pool.shape, answer_, nullptr);
            roller->counts.prepare(tested_.data(), tested_.size());
        }
        pool.name(text);
        if (roller != nullptr) roller->add(std::move(byRoller), tested_);
        pool.all.add(std::move(all), tested_);
    } catch (...) {
        if (newRoller) pool.forgetLastRoller();
        if (newPool) forgetLastPool();
        throw;
    }
    ++counts_.answers;
}

void LogAudit::readText(std::string_view piece, bool last) {
    try {
        for (std::size_t end = piece.find('\n'); end != std::string_view::npos;
             end = piece.find('\n')) {
            if (partLine_.empty()) {
                read(piece.data(), end);
            } else {
                partLine_.append(piece.data(), end);
                read(partLine_.data(), partLine_.size());
                partLine_.clear();
            }
            piece.remove_prefix(end + 1);
        }
        partLine_.append(piece);
        if (last && !partLine_.empty()) {
            read(partLine_.data(), partLine_.size());
            partLine_.clear();
        }
    } catch (const std::bad_alloc&) {
        // The line is not read, nor any after it: what it held so far goes, with what can be
        // worked out again, and leaves the audit room.
        std::string().swap(partLine_);
        letGo();
        throw;
    }
}

std::string LogAudit::summary(const std::string& source) const {
    return print::logSummary(source, counts_);
}

bool LogAudit::eachText(bool json, const std::function<void(const std::string&)>& each) const {
    bool anyUnlikely = false;
    untested_ = 0;
    // Memory running out leaves one audit undone, said so in its place, and the others made.
    // False for such an audit.
    const auto audit = [&](const Pool& pool, const Odds* odds, const Tally& tally,
                           const print::AuditHeading& heading) {
        std::string printed;
        if (odds != nullptr) {
            try {
                const audit::Observed seen = tally.observed(*odds);
                const audit::Tests tests = audit::testTotals(*odds, seen);
                const audit::Verdict verdict = audit::verdictOf(*odds, seen, tests);
                printed = json ? print::auditJson(pool.text, *odds, seen, tests, verdict, heading)
                               : print::auditText(pool.text, *odds, seen, tests, verdict, heading);
                anyUnlikely = anyUnlikely || verdict.unlikely();
            } catch (const std::bad_alloc&) {
                printed.clear();
            }
        }
        const bool made = !printed.empty();
        if (!made) {
            printed =
                print::auditOutOfMemory(pool.text, pool.sneak, tally.seen.answers, heading, json);
        }
        each(printed);
        return made;
    };
    for (const auto& pool : pools_) {
        if (!pool->shape) continue;
        std::optional<Odds> fresh;
        const Odds* odds = pool->odds.get();
        if (odds == nullptr) {
            try {
                odds = &fresh.emplace(oddsOf(pool->text, pool->sneak, &dice_));
            } catch (const std::bad_alloc&) {
            }
        }
        print::AuditHeading heading;
        heading.pooled = pool->pooled;
        heading.morePooled = pool->morePooled;
        heading.byRoller = options_.byRoller;
        bool made = audit(*pool, odds, pool->all, heading);
        heading.pooled.clear();
        heading.morePooled = false;
        for (const auto& [name, tally] : pool->rollers) {
            heading.roller = name;
            made = audit(*pool, odds, tally, heading) && made;
        }
        if (!made) ++untested_;
    }
    return anyUnlikely;
}

}  // namespace orvik::features
