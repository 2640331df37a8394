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

// The answers of one pool, or of one roller's rolls of it, counted: the tested totals, each moved
// to the pool's first text's, in memory that grows with the different totals seen, not with their
// range.
struct LogAudit::Tally {
    audit::Observed seen;  // its counts stay empty: counts holds them
    TotalCounts counts;
    std::uint64_t order = 0;  // the k-th audit to come

    // What was seen with one more answer counted, and the totals it adds, less shift (into
    // tested, whose room is reserved, when given): the tally itself is left as it was, so that
    // memory running out counts nothing of the answer.
    audit::Observed seenWith(const audit::AnswerShape& shape, const LoggedAnswer& answer,
                             std::int64_t shift, std::vector<std::int64_t>* tested) const {
        audit::Observed out = seen;
        audit::countAnswer(shape, answer, out, [tested, shift](std::int64_t total) {
            if (tested != nullptr) tested->push_back(total - shift);
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

// The texts of one roll's odds: which totals an answer can hold, and where they are tested.
struct LogAudit::Roll {
    odds::OddsKey key;
    std::unique_ptr<audit::AnswerShape> shape;  // null when the module refuses these texts
    std::size_t pool = 0;
    // This roll's totals less the pool's first text's, for the same dice.
    std::int64_t shift = 0;
};

// The answers tested together: of texts of the same odds, or of the same dice moved.
struct LogAudit::Pool {
    std::string text;  // the first, whose odds the totals are tested against
    bool sneak = false;
    bool movable = false;              // in shapes_, under dice
    odds::OddsKey dice;                // its dice without their modifiers and groups
    std::int32_t groups = 1;           // the most of any text's
    std::int64_t offset = 0;           // what the first text's modifiers add to its dice
    std::vector<std::string> pooled;   // the next different texts, kPooledNames of them
    std::vector<std::int64_t> shifts;  // what is added to each one's totals
    bool morePooled = false;
    std::unique_ptr<Odds> odds;  // when kept
    Tally all;
    std::vector<std::pair<std::string, Tally>> rollers;  // in the order they first came
    std::unordered_map<std::string, std::size_t> rollerIndex;

    // Names other among the pooled texts, unless it is there already or kPooledNames are. Throws
    // std::bad_alloc, and then names nothing.
    void name(const std::string& other, std::int64_t shift) {
        if (other == text || morePooled ||
            std::find(pooled.begin(), pooled.end(), other) != pooled.end())
            return;
        if (pooled.size() == kPooledNames) {
            morePooled = true;
            return;
        }
        shifts.reserve(pooled.size() + 1);
        pooled.push_back(other);
        shifts.push_back(-shift);
    }

    // The roller's tally, the next audit in order when it is new (added says so).
    Tally& rollerTally(std::string roller, bool& added, std::uint64_t& tallies) {
        const auto at = rollerIndex.try_emplace(roller, rollers.size());
        if (at.second) {
            try {
                rollers.emplace_back(std::move(roller), Tally{});
            } catch (...) {
                rollerIndex.erase(at.first);
                throw;
            }
            rollers.back().second.order = ++tallies;
        }
        added = at.second;
        return rollers[at.first->second].second;
    }

    // Takes back the roller rollerTally added last.
    void forgetLastRoller(std::uint64_t& tallies) noexcept {
        rollerIndex.erase(rollers.back().first);
        rollers.pop_back();
        --tallies;
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
    tested_.reserve(kMostTotals);
}

LogAudit::~LogAudit() = default;

// Where no answer can be refused, a text's odds are those of its dice moved by its modifiers, and
// its groups' totals all alike: texts of the same dice are tested together, each total moved.
std::size_t LogAudit::poolFor(const std::string& text, Odds&& odds, std::int64_t& shift,
                              bool& made) {
    const bool movable =
        odds.results.errorProbability == 0.0 && !odds.results.tooLow && !odds.results.tooLong;
    odds::OddsKey dice;
    dice.sneak = odds.sneak;
    dice.roll = odds::DicePart{odds.roll.dice, odds.roll.sides, 0};
    if (odds.sneak) dice.sneakDice = odds::DicePart{odds.sneakDice.dice, odds.sneakDice.sides, 0};
    const std::int64_t offset =
        std::int64_t{odds.roll.modifier} + (odds.sneak ? odds.sneakDice.modifier : 0);
    made = false;
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
    pool->movable = movable;
    pool->dice = dice;
    pool->groups = odds.groups;
    pool->offset = offset;
    pool->all.order = tallies_ + 1;
    std::size_t kept = 0;
    const std::size_t totals = chancesOf(odds);
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
    ++tallies_;
    made = true;
    return pools_.size() - 1;
}

LogAudit::Roll& LogAudit::rollOf(const std::string& text, bool& made, bool& madePool) {
    const odds::OddsKey key = answer_.sneak
                                  ? odds::sneakKey(text.c_str(), answer_.sneakRoll, answer_.roll)
                                  : odds::rollKey(text.c_str(), answer_.roll);
    made = madePool = false;
    if (const auto at = index_.find(key); at != index_.end()) return *rolls_[at->second];
    auto roll = std::make_unique<Roll>();
    roll->key = key;
    try {
        // The text as the reader parsed it: the odds need not read it again.
        Odds odds = answer_.sneak
                        ? odds::sneakOdds(text.c_str(), answer_.sneakRoll, answer_.roll, &dice_)
                        : odds::rollOdds(text.c_str(), answer_.roll, &dice_);
        odds::toFaces(odds, options_.dice);
        roll->shape = std::make_unique<audit::AnswerShape>(odds);
        const std::int32_t groups = odds.groups;
        roll->pool = poolFor(text, std::move(odds), roll->shift, madePool);
        Pool& pool = *pools_[roll->pool];
        pool.groups = std::max(pool.groups, groups);
    } catch (const DiceError&) {
        // No roll of these texts is ever a result: their answers count as refused.
    }
    try {
        rolls_.push_back(std::move(roll));
    } catch (...) {
        if (madePool) forgetLastPool();
        throw;
    }
    try {
        index_.emplace(key, rolls_.size() - 1);
    } catch (...) {
        rolls_.pop_back();
        if (madePool) forgetLastPool();
        throw;
    }
    if (rolls_.back()->shape) ++counts_.texts;
    made = true;
    return *rolls_.back();
}

void LogAudit::forgetLastRoll(bool madePool) noexcept {
    const Roll& roll = *rolls_.back();
    if (roll.shape) --counts_.texts;
    index_.erase(roll.key);
    rolls_.pop_back();
    if (madePool) forgetLastPool();
}

void LogAudit::forgetLastPool() noexcept {
    const Pool& pool = *pools_.back();
    if (pool.odds) keptOdds_ -= chancesOf(*pool.odds);
    if (pool.movable) shapes_.erase(pool.dice);
    pools_.pop_back();
    --tallies_;
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
    bool newRoll = false;
    bool newPool = false;
    Roll& roll = rollOf(text, newRoll, newPool);
    if (!roll.shape) {
        ++counts_.refused;
        return;
    }
    Pool& pool = *pools_[roll.pool];
    // Everything that takes memory first, so that memory running out counts nothing of the
    // answer: what it would have added is taken back.
    bool newRoller = false;
    try {
        Tally* roller = options_.byRoller
                            ? &pool.rollerTally(rollerName(answer_.before), newRoller, tallies_)
                            : nullptr;
        tested_.clear();
        audit::Observed all = pool.all.seenWith(*roll.shape, answer_, roll.shift, &tested_);
        pool.all.counts.prepare(tested_.data(), tested_.size());
        audit::Observed byRoller;
        if (roller != nullptr) {
            byRoller = roller->seenWith(*roll.shape, answer_, roll.shift, nullptr);
            roller->counts.prepare(tested_.data(), tested_.size());
        }
        pool.name(text, roll.shift);
        if (roller != nullptr) roller->add(std::move(byRoller), tested_);
        pool.all.add(std::move(all), tested_);
    } catch (...) {
        if (newRoller) pool.forgetLastRoller(tallies_);
        if (newRoll) forgetLastRoll(newPool);
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

LogVerdict LogAudit::eachText(const std::function<void(const std::string&)>& each) const {
    untested_ = 0;
    // Each audit to give, with what its report needs: made is false where memory ran out for it,
    // and it then counts among the others as an audit whose p-value is 1.
    struct Given {
        const Pool* pool;
        const Tally* tally;
        print::AuditHeading heading;
        bool made = false;
    };
    std::vector<Given> given;
    std::vector<audit::TextAudit> audits;
    std::vector<std::string> names;
    for (const auto& pool : pools_) {
        std::optional<Odds> fresh;
        const Odds* odds = pool->odds.get();
        if (odds == nullptr) {
            try {
                Odds worked = oddsOf(pool->text, pool->sneak, &dice_);
                odds::toFaces(worked, options_.dice);
                odds = &fresh.emplace(std::move(worked));
            } catch (const std::bad_alloc&) {
            }
        }
        print::AuditHeading heading;
        heading.pooled = pool->pooled;
        heading.shifts = pool->shifts;
        heading.morePooled = pool->morePooled;
        heading.byRoller = options_.byRoller;
        heading.log = true;
        // What the totals could catch hangs on their number alone, and the anytime figure's
        // alternatives on the odds alone: worked out once for the text and its rollers.
        std::optional<audit::OddsWork> work;
        if (odds != nullptr) {
            try {
                work = audit::workOf(*odds);
            } catch (const std::bad_alloc&) {
                odds = nullptr;
            }
        }
        bool made = true;
        const auto add = [&](const Tally& tally) {
            audit::TextAudit one;
            bool worked = false;
            if (odds != nullptr) {
                try {
                    one = audit::auditOf(*odds, tally.observed(*odds), tally.order, &*work);
                    one.groups = pool->groups;
                    worked = true;
                } catch (const std::bad_alloc&) {
                }
            }
            if (!worked) {
                one = audit::TextAudit{};
                one.order = tally.order;
                one.tests.p = 1.0;
                made = false;
            }
            given.push_back(Given{pool.get(), &tally, heading, worked});
            audits.push_back(std::move(one));
            names.push_back(pool->text);
        };
        add(pool->all);
        heading.pooled.clear();
        heading.shifts.clear();
        heading.morePooled = false;
        for (const auto& [name, tally] : pool->rollers) {
            heading.roller = name;
            add(tally);
        }
        if (!made) ++untested_;
    }
    audit::giveTogether(audits);
    LogVerdict verdict;
    for (std::size_t i = 0; i < audits.size(); ++i) {
        const Given& one = given[i];
        if (!one.made) {
            each(print::auditOutOfMemory(one.pool->text, one.pool->sneak, one.tally->seen.answers,
                                         one.heading, form_));
            continue;
        }
        verdict.unlikely = verdict.unlikely || audits[i].verdict.unlikely();
        each(print::auditPrinted(form_, names[i], audits[i], one.heading));
    }
    verdict.headline = print::togetherText(names, audits, true);
    return verdict;
}

}  // namespace orvik::features
