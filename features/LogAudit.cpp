#include "features/LogAudit.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

#include "audit/Tests.h"
#include "dice/DiceError.h"
#include "features/RollText.h"
#include "host/RollRoutine.h"

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

// The answers of one pool, or of one roller's rolls of it, counted: the tested totals, each moved
// to the pool's first text's, in the range of those seen so far.
struct LogAudit::Tally {
    audit::Observed seen;  // its counts stay empty: counts holds them
    std::int64_t first = 0;
    std::vector<std::uint64_t> counts;  // of the totals first, first + 1, ...
    std::uint64_t order = 0;            // the k-th audit to come

    // Makes room for one answer's totals, less shift: the range grows to take them in. Memory
    // running out leaves the tally as it was.
    void prepare(const audit::AnswerShape& shape, const LoggedAnswer& answer, std::int64_t shift) {
        const std::size_t tested = shape.everyGroup() ? answer.totals.size() : 1;
        std::int64_t low = first;
        std::int64_t high = first + static_cast<std::int64_t>(counts.size()) - 1;
        bool grow = false;
        for (std::size_t g = 0; g < tested && g < answer.totals.size(); ++g) {
            if (!shape.possible(answer.totals[g])) continue;
            const std::int64_t total = answer.totals[g] - shift;
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
    void add(const audit::AnswerShape& shape, const LoggedAnswer& answer, std::int64_t shift) {
        audit::countAnswer(shape, answer, seen, [this, shift](std::int64_t total) {
            ++counts[static_cast<std::size_t>(total - shift - first)];
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

// The texts of one roll's odds: which totals an answer can hold, and where they are tested.
struct LogAudit::Roll {
    std::unique_ptr<audit::AnswerShape> shape;  // null when the module refuses these texts
    std::size_t pool = 0;
    // This roll's totals less the pool's first text's, for the same dice.
    std::int64_t shift = 0;
};

// The answers tested together: of texts of the same odds, or of the same dice moved.
struct LogAudit::Pool {
    std::string text;  // the first, whose odds the totals are tested against
    bool sneak = false;
    std::int32_t groups = 1;           // the most of any text's
    std::int64_t offset = 0;           // what the first text's modifiers add to its dice
    std::vector<std::string> pooled;   // the next different texts, kPooledNames of them
    std::vector<std::int64_t> shifts;  // what is added to each one's totals
    bool morePooled = false;
    std::unique_ptr<Odds> odds;  // when kept
    Tally all;
    std::vector<std::pair<std::string, Tally>> rollers;  // in the order they first came
    std::unordered_map<std::string, std::size_t> rollerIndex;

    void name(const std::string& other, std::int64_t shift) {
        if (other == text || morePooled ||
            std::find(pooled.begin(), pooled.end(), other) != pooled.end())
            return;
        if (pooled.size() == kPooledNames) {
            morePooled = true;
            return;
        }
        pooled.push_back(other);
        shifts.push_back(-shift);
    }

    Tally& rollerTally(std::string roller, std::uint64_t& tallies) {
        const auto [at, added] = rollerIndex.try_emplace(roller, rollers.size());
        if (added) {
            try {
                rollers.emplace_back(std::move(roller), Tally{});
            } catch (...) {
                rollerIndex.erase(at);
                throw;
            }
            rollers.back().second.order = ++tallies;
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

LogAudit::LogAudit(LogOptions options, AuditForm form) : options_(std::move(options)), form_(form) {
    counts_.from = options_.from;
}

LogAudit::~LogAudit() = default;

// Where no answer can be refused, a text's odds are those of its dice moved by its modifiers, and
// its groups' totals all alike: texts of the same dice are tested together, each total moved.
std::size_t LogAudit::poolFor(const std::string& text, Odds&& odds, std::int64_t& shift) {
    const bool movable =
        odds.results.errorProbability == 0.0 && !odds.results.tooLow && !odds.results.tooLong;
    odds::OddsKey dice;
    dice.sneak = odds.sneak;
    dice.roll = odds::DicePart{odds.roll.dice, odds.roll.sides, 0};
    if (odds.sneak) dice.sneakDice = odds::DicePart{odds.sneakDice.dice, odds.sneakDice.sides, 0};
    const std::int64_t offset =
        std::int64_t{odds.roll.modifier} + (odds.sneak ? odds.sneakDice.modifier : 0);
    if (movable) {
        if (const auto at = shapes_.find(dice); at != shapes_.end()) {
            const Pool& pool = *pools_[at->second];
            shift = offset - pool.offset;
            return at->second;
        }
    }
    shift = 0;
    auto pool = std::make_unique<Pool>();
    pool->text = text;
    pool->sneak = odds.sneak;
    pool->groups = odds.groups;
    pool->offset = offset;
    pool->all.order = ++tallies_;
    std::size_t kept = 0;
    const std::size_t totals = odds.results.totals.probability.size();
    if (keptOdds_ + totals <= kMostKeptTotals) {
        // The parts' own totals serve the odds' questions, not an audit.
        odds.results.sneakTotals = {};
        odds.results.mainTotals = {};
        pool->odds = std::make_unique<Odds>(std::move(odds));
        kept = totals;
    }
    pools_.push_back(std::move(pool));
    if (movable) {
        try {
            shapes_.emplace(dice, pools_.size() - 1);
        } catch (...) {
            pools_.pop_back();
            throw;
        }
    }
    keptOdds_ += kept;
    return pools_.size() - 1;
}

LogAudit::Roll* LogAudit::rollOf(const std::string& text) {
    const odds::OddsKey key = answer_.sneak
                                  ? odds::sneakKey(text.c_str(), answer_.sneakRoll, answer_.roll)
                                  : odds::rollKey(text.c_str(), answer_.roll);
    if (const auto at = index_.find(key); at != index_.end()) {
        Roll& roll = *rolls_[at->second];
        if (roll.shape) pools_[roll.pool]->name(text, roll.shift);
        return &roll;
    }
    auto roll = std::make_unique<Roll>();
    try {
        // The text as the reader parsed it: the odds need not read it again.
        Odds odds = answer_.sneak ? odds::sneakOdds(text.c_str(), answer_.sneakRoll, answer_.roll)
                                  : odds::rollOdds(text.c_str(), answer_.roll);
        if (options_.dice != odds::Faces::Orvik) odds = odds::withFaces(odds, options_.dice);
        roll->shape = std::make_unique<audit::AnswerShape>(odds);
        const std::int32_t groups = odds.groups;
        roll->pool = poolFor(text, std::move(odds), roll->shift);
        Pool& pool = *pools_[roll->pool];
        pool.groups = std::max(pool.groups, groups);
        pool.name(text, roll->shift);
        ++counts_.texts;
    } catch (const DiceError&) {
        // No roll of these texts is ever a result: their answers count as refused.
    }
    rolls_.push_back(std::move(roll));
    try {
        index_.emplace(key, rolls_.size() - 1);
    } catch (...) {
        rolls_.pop_back();
        throw;
    }
    return rolls_.back().get();
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
    if (!options_.from.empty() && answer_.before.find(options_.from) == std::string_view::npos) {
        ++counts_.notFrom;
        return;
    }
    // No sentence of a text this long fits the buffer a host hands over with it: the module
    // refuses it, and it need not be copied.
    if (answer_.textLength() >= host::kMinHostBuffer) {
        ++counts_.refused;
        return;
    }
    const Roll& roll = *rollOf(answer_.text());
    if (!roll.shape) {
        ++counts_.refused;
        return;
    }
    Pool& pool = *pools_[roll.pool];
    // Every allocation first, so that memory running out counts nothing of the answer.
    Tally* roller =
        options_.byRoller ? &pool.rollerTally(rollerName(answer_.before), tallies_) : nullptr;
    if (roller != nullptr) roller->prepare(*roll.shape, answer_, roll.shift);
    pool.all.prepare(*roll.shape, answer_, roll.shift);
    if (roller != nullptr) roller->add(*roll.shape, answer_, roll.shift);
    pool.all.add(*roll.shape, answer_, roll.shift);
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

LogVerdict LogAudit::eachText(const std::function<void(const std::string&)>& each) const {
    std::vector<audit::TextAudit> audits;
    std::vector<std::string> names;
    std::vector<print::AuditHeading> headings;
    for (const auto& pool : pools_) {
        Odds odds;
        if (pool->odds) {
            odds = *pool->odds;
        } else {
            odds = oddsOf(pool->text, pool->sneak);
            if (options_.dice != odds::Faces::Orvik) odds = odds::withFaces(odds, options_.dice);
        }
        print::AuditHeading heading;
        heading.pooled = pool->pooled;
        heading.shifts = pool->shifts;
        heading.morePooled = pool->morePooled;
        heading.byRoller = options_.byRoller;
        heading.log = true;
        // What the totals could catch hangs on their number alone: its search is done once.
        const std::optional<audit::Catchable> catchable = audit::catchableOf(odds);
        const auto add = [&](const Tally& tally) {
            audits.push_back(audit::auditOf(odds, tally.observed(odds), tally.order, &catchable));
            audits.back().groups = pool->groups;
            names.push_back(pool->text);
            headings.push_back(heading);
        };
        add(pool->all);
        heading.pooled.clear();
        heading.shifts.clear();
        heading.morePooled = false;
        for (const auto& [name, tally] : pool->rollers) {
            heading.roller = name;
            add(tally);
        }
    }
    audit::giveTogether(audits);
    LogVerdict verdict;
    for (std::size_t i = 0; i < audits.size(); ++i) {
        verdict.unlikely = verdict.unlikely || audits[i].verdict.unlikely();
        each(print::auditPrinted(form_, names[i], audits[i], headings[i]));
    }
    verdict.headline = print::togetherText(names, audits, true);
    return verdict;
}

}  // namespace orvik::features
