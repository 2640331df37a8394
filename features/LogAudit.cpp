#include "features/LogAudit.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "audit/Tests.h"
#include "dice/DiceError.h"
#include "features/RollText.h"
#include "host/RollRoutine.h"
#include "report/Speaker.h"

namespace orvik::features {

using odds::Odds;

namespace {

// The names kept of the texts pooled with a roll's first text.
constexpr std::size_t kPooledNames = 5;
// The chances kept, in totals, of all the rolls' odds together (8 bytes each): beyond it a roll's
// odds are worked out again for its audit rather than kept.
constexpr std::size_t kMostKeptTotals = std::size_t{1} << 23;

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

// The answers of one roll, or of one roller's rolls of it, counted: the tested totals in the
// range of those seen so far.
struct LogAudit::Tally {
    audit::Observed seen;  // its counts stay empty: counts holds them
    std::int64_t first = 0;
    std::vector<std::uint64_t> counts;  // of the totals first, first + 1, ...

    // Makes room for one answer's totals: the range grows to take them in. Memory running out
    // leaves the tally as it was.
    void prepare(const audit::AnswerShape& shape, const LoggedAnswer& answer) {
        const std::size_t tested = shape.everyGroup() ? answer.totals.size() : 1;
        std::int64_t low = first;
        std::int64_t high = first + static_cast<std::int64_t>(counts.size()) - 1;
        bool grow = false;
        for (std::size_t g = 0; g < tested && g < answer.totals.size(); ++g) {
            const std::int64_t total = answer.totals[g];
            if (!shape.possible(total)) continue;
            if (counts.empty() && !grow) {
                low = high = total;
            } else {
                low = std::min(low, total);
                high = std::max(high, total);
            }
            grow = true;
        }
        if (grow && (counts.empty() || low < first ||
                     high >= first + static_cast<std::int64_t>(counts.size()))) {
            std::vector<std::uint64_t> wider(static_cast<std::size_t>(high - low + 1), 0);
            if (!counts.empty())
                std::copy(counts.begin(), counts.end(),
                          wider.begin() + static_cast<std::ptrdiff_t>(first - low));
            counts.swap(wider);
            first = low;
        }
    }

    // Counts the answer prepare made room for.
    void add(const audit::AnswerShape& shape, const LoggedAnswer& answer) {
        audit::countAnswer(shape, answer, seen, [this](std::int64_t total) {
            ++counts[static_cast<std::size_t>(total - first)];
        });
    }

    // What was seen, with its counts laid out over odds' totals.
    audit::Observed observed(const Odds& odds) const {
        audit::Observed out = seen;
        out.counts.assign(odds.results.totals.probability.size(), 0);
        const auto offset = static_cast<std::size_t>(first - odds.results.totals.lowest);
        for (std::size_t i = 0; i < counts.size(); ++i)
            out.counts[offset + i] = counts[i];
        return out;
    }
};

// The answers of the texts that share one roll's odds.
struct LogAudit::Pool {
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

    Tally& rollerTally(std::string roller) {
        const auto [at, added] = rollerIndex.try_emplace(roller, rollers.size());
        if (added) {
            try {
                rollers.emplace_back(std::move(roller), Tally{});
            } catch (...) {
                rollerIndex.erase(at);
                throw;
            }
        }
        return rollers[at->second].second;
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
}

LogAudit::~LogAudit() = default;

LogAudit::Pool* LogAudit::poolOf(const std::string& text) {
    const odds::OddsKey key = answer_.sneak
                                  ? odds::sneakKey(text.c_str(), answer_.sneakRoll, answer_.roll)
                                  : odds::rollKey(text.c_str(), answer_.roll);
    if (const auto at = index_.find(key); at != index_.end()) {
        Pool& pool = *pools_[at->second];
        pool.name(text);
        return &pool;
    }
    auto pool = std::make_unique<Pool>();
    pool->text = text;
    pool->sneak = answer_.sneak;
    std::size_t kept = 0;
    try {
        // The text as the reader parsed it: the odds need not read it again.
        Odds odds = answer_.sneak ? odds::sneakOdds(text.c_str(), answer_.sneakRoll, answer_.roll)
                                  : odds::rollOdds(text.c_str(), answer_.roll);
        pool->shape = std::make_unique<audit::AnswerShape>(odds);
        const std::size_t totals = odds.results.totals.probability.size();
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
    return pools_.back().get();
}

void LogAudit::read(const char* line, std::size_t length) {
    ++counts_.lines;
    try {
        take(line, length);
    } catch (...) {
        --counts_.lines;  // the line is not read
        throw;
    }
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
    Pool& pool = *poolOf(answer_.text());
    if (!pool.shape) {
        ++counts_.refused;
        return;
    }
    // Every allocation first, so that memory running out counts nothing of the answer.
    Tally* roller = options_.byRoller ? &pool.rollerTally(rollerName(answer_.before)) : nullptr;
    if (roller != nullptr) roller->prepare(*pool.shape, answer_);
    pool.all.prepare(*pool.shape, answer_);
    if (roller != nullptr) roller->add(*pool.shape, answer_);
    pool.all.add(*pool.shape, answer_);
    ++counts_.answers;
}

void LogAudit::readText(std::string_view piece, bool last) {
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
}

std::string LogAudit::summary(const std::string& source) const {
    return print::logSummary(source, counts_);
}

bool LogAudit::eachText(bool json, const std::function<void(const std::string&)>& each) const {
    bool anyUnlikely = false;
    const auto audit = [&](const Pool& pool, const Odds& odds, const Tally& tally,
                           const print::AuditHeading& heading) {
        const audit::Observed seen = tally.observed(odds);
        const audit::Tests tests = audit::testTotals(odds, seen);
        const audit::Verdict verdict = audit::verdictOf(odds, seen, tests);
        anyUnlikely = anyUnlikely || verdict.unlikely();
        each(json ? print::auditJson(pool.text, odds, seen, tests, verdict, heading)
                  : print::auditText(pool.text, odds, seen, tests, verdict, heading));
    };
    for (const auto& pool : pools_) {
        if (!pool->shape) continue;
        const Odds odds = pool->odds ? *pool->odds : oddsOf(pool->text, pool->sneak);
        print::AuditHeading heading;
        heading.pooled = pool->pooled;
        heading.morePooled = pool->morePooled;
        heading.byRoller = options_.byRoller;
        audit(*pool, odds, pool->all, heading);
        heading.pooled.clear();
        heading.morePooled = false;
        for (const auto& [name, tally] : pool->rollers) {
            heading.roller = name;
            audit(*pool, odds, tally, heading);
        }
    }
    return anyUnlikely;
}

}  // namespace orvik::features
