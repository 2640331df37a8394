// The questions beyond the table, how many groups reach a target and one roll against another,
// against every roll counted, their own edges, and the module's own rolls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "odds/Odds.h"
#include "odds/Questions.h"
#include "odds_testing.h"
#include "testing.h"

namespace {

using namespace orvik::testing;
using orvik::odds::Distribution;

// The chances of exactly k groups reaching target, and of the error, counted over every roll.
std::vector<long double> reachingEnumerated(const std::string& text, bool sneak,
                                            std::int64_t target, long double& error) {
    const EveryRoll every = everyRoll(text, sneak);
    std::vector<Wide> counts(every.rolls.front().totals.size() + 1, 0);
    Wide refused = 0;
    for (const Roll& roll : every.rolls) {
        if (!roll.result) {
            refused += roll.count;
            continue;
        }
        counts[static_cast<std::size_t>(
            std::count_if(roll.totals.begin(), roll.totals.end(),
                          [&](std::int64_t t) { return t >= target; }))] += roll.count;
    }
    error = every.chance(refused);
    std::vector<long double> p;
    for (const Wide c : counts)
        p.push_back(every.chance(c));
    return p;
}

TEST(OddsQuestions, ReachingMatchesEveryRollCounted) {
    const struct {
        TextCase roll;
        std::int64_t target = 0;
    } cases[] = {
        {{false, "3#d20+5"}, 15},
        {{false, "2#2d6"}, 7},
        {{true, "d4 2#d6"}, 8},
        {{true, "2d3 3#d4-2"}, 3},
        // Room for 4 characters of totals: three totals from -9 to 10.
        {{false, padded("3#d20-10 ", 477)}, 0},
        {{false, padded("3#d20-10 ", 477)}, 10},
        // Room for 3: no more than one of the two totals from -4 to 8 may be negative.
        {{true, padded("d4 2#d10-6 ", 459)}, 2},
        {{true, padded("d6 3#d20-12 ", 454)}, -5},
        // Any of the three groups can fall below the range.
        {{true, "d6-2147483647-1 3#d6-3"}, kLowest + 4},
    };
    for (const auto& c : cases) {
        const std::string name = c.roll.text.substr(0, 20) + " at " + std::to_string(c.target);
        long double error = 0;
        const std::vector<long double> exact =
            reachingEnumerated(c.roll.text, c.roll.sneak, c.target, error);
        const orvik::odds::Odds odds = oddsOf(c.roll.text, c.roll.sneak);
        const orvik::odds::TargetOdds reaching = orvik::odds::targetOdds(odds, c.target);
        ASSERT_EQ(reaching.exactly.size(), exact.size()) << name;
        EXPECT_NEAR(odds.results.errorProbability, static_cast<double>(error),
                    1e-13 * static_cast<double>(error))
            << name;
        long double reach = 0;
        for (std::size_t k = 0; k < exact.size(); ++k) {
            const auto p = static_cast<double>(exact[k]);
            EXPECT_NEAR(reaching.exactly[k], p, 1e-13 * p) << name << " k " << k;
            reach +=
                exact[k] * static_cast<long double>(k) / static_cast<long double>(exact.size() - 1);
        }
        EXPECT_NEAR(reaching.reach, static_cast<double>(reach), 1e-13 * static_cast<double>(reach))
            << name;
    }
}

// Each side's chance of each first group's total among its results, and of the error, counted.
struct Side {
    std::int64_t lowest;
    std::vector<Wide> counts;  // of results, by total from lowest
    Wide refused = 0;
    Wide all = 0;  // 32768^dice
};

Side sideOf(const TextCase& c) {
    const EveryRoll every = everyRoll(c.text, c.sneak);
    Side side{every.lowest, {}, 0, Wide{1} << (15 * every.dice)};
    for (const Roll& roll : every.rolls) {
        const auto i = static_cast<std::size_t>(roll.totals[0] - every.lowest);
        if (side.counts.size() <= i) side.counts.resize(i + 1, 0);
        (roll.result ? side.counts[i] : side.refused) += roll.count;
    }
    return side;
}

TEST(OddsQuestions, ContestMatchesEveryPairCounted) {
    const std::pair<TextCase, TextCase> cases[] = {
        {{false, "d20"}, {false, "d20"}},
        {{false, "2d6"}, {false, "d12"}},
        {{false, "d20+5"}, {false, "3#d20+7"}},
        {{true, "d4 2#d6"}, {false, "2d6+2"}},
        // Refusals on both sides: only two 10s do not fit; a total below the range.
        {{false, padded("2#d10 ", 483)}, {true, "d6-2147483647-1 3#d6-3"}},
    };
    for (const auto& [a, b] : cases) {
        const std::string name = a.text.substr(0, 12) + " vs " + b.text.substr(0, 12);
        const Side x = sideOf(a), y = sideOf(b);
        // Counts out of x.all * y.all: at most 2^90.
        Wide greater = 0, equal = 0, less = 0;
        for (std::size_t i = 0; i < x.counts.size(); ++i) {
            for (std::size_t j = 0; j < y.counts.size(); ++j) {
                const std::int64_t ta = x.lowest + static_cast<std::int64_t>(i);
                const std::int64_t tb = y.lowest + static_cast<std::int64_t>(j);
                (ta > tb ? greater : ta == tb ? equal : less) += x.counts[i] * y.counts[j];
            }
        }
        const Wide error = x.refused * y.all + x.all * y.refused - x.refused * y.refused;
        const long double whole = static_cast<long double>(x.all) * static_cast<long double>(y.all);
        const orvik::odds::Contest got =
            orvik::odds::contest(oddsOf(a.text, a.sneak), oddsOf(b.text, b.sneak));
        const std::pair<double, Wide> pairs[] = {{got.greater, greater},
                                                 {got.equal, equal},
                                                 {got.less, less},
                                                 {got.errorProbability, error}};
        for (const auto& [computed, count] : pairs) {
            const auto exact = static_cast<double>(static_cast<long double>(count) / whole);
            EXPECT_NEAR(computed, exact, 1e-13 * exact) << name;
        }
    }
}

// The chances a question gives sum to 1 with the error's, agree with the table's own tails, and
// keep their digits where small.
TEST(OddsQuestions, EdgesOfTheTarget) {
    const struct {
        TextCase roll;
        std::int64_t target = 0;
    } cases[] = {
        {{false, "3#d20+5"}, std::numeric_limits<std::int64_t>::min()},
        {{false, "3#d20+5"}, 6},  // the minimum: certain
        {{false, "3#d20+5"}, 25},
        {{false, "3#d20+5"}, 26},  // above the maximum
        {{false, "3#d20+5"}, std::numeric_limits<std::int64_t>::max()},
        {{false, "30#d6"}, 4},
        {{false, "30#100d500"}, 25000},
        {{false, "100d500"}, 49990},  // a far tail
        {{false, "100d500"}, 110},
        {{true, "100d500 2#100d499"}, 50000},
        {{false, padded("30#d20 ", 380)}, 10},  // a sentence too long about 13% of the time
        {{false, padded("30#d20 ", 380)}, 20},
        {{true, padded("d20-15 10#d20-10 ", 425)}, 1},
        {{true, padded("100d500 100d499 ", 455)}, 60000},  // nearly every answer refused
        {{true, "d6-2147483647-1 30#d6-3"}, kLowest},
        {{true, "d6-2147483647-1 30#d6-3"}, kLowest + 1},
    };
    for (const auto& c : cases) {
        const std::string name = c.roll.text.substr(0, 20) + " at " + std::to_string(c.target);
        const orvik::odds::Odds odds = oddsOf(c.roll.text, c.roll.sneak);
        const orvik::odds::TargetOdds reaching = orvik::odds::targetOdds(odds, c.target);
        ASSERT_EQ(reaching.exactly.size(), static_cast<std::size_t>(odds.groups) + 1) << name;
        long double sum = odds.results.errorProbability;
        for (const double p : reaching.exactly) {
            EXPECT_TRUE(p >= 0.0 && p <= 1.0) << name << ": " << p;
            sum += p;
        }
        EXPECT_NEAR(static_cast<double>(sum), 1.0, 1e-12) << name;
        // The table's chance of a first total at target or more, summed from its top.
        const std::vector<double> above = orvik::odds::atLeast(odds);
        const Distribution& t = odds.results.totals;
        const double tail = c.target <= t.lowest ? above.front()
                            : c.target > t.highest()
                                ? 0.0
                                : above[static_cast<std::size_t>(c.target - t.lowest)];
        EXPECT_NEAR(reaching.reach, tail, 1e-12 * tail) << name;
        const std::vector<double> more = orvik::odds::kOrMore(odds, reaching);
        // Some k: any result, as the table gives it.
        if (odds.results.errorProbability <= 0.5) {
            EXPECT_EQ(more.front(), above.front()) << name;
        } else {
            EXPECT_NEAR(more.front(), above.front(), 1e-12 * above.front()) << name;
        }
        if (c.target <= t.lowest) {
            EXPECT_EQ(reaching.exactly.back(), above.front()) << name;
        }
        if (c.target > t.highest()) {
            EXPECT_EQ(reaching.exactly.front(), above.front()) << name;
        }
    }
    // A tail far below double's epsilon keeps its digits: against the plain sum of its chances.
    const orvik::odds::Odds big = orvik::odds::rollOdds("100d500");
    long double direct = 0;
    for (std::size_t i = 49990 - 100; i < big.results.totals.probability.size(); ++i)
        direct += big.results.totals.probability[i];
    const double far = orvik::odds::targetOdds(big, 49990).reach;
    EXPECT_LT(far, 1e-200);
    EXPECT_NEAR(far, static_cast<double>(direct), 1e-13 * static_cast<double>(direct));
}

TEST(OddsQuestions, EdgesOfTheContest) {
    const std::pair<TextCase, TextCase> cases[] = {
        {{false, "100d500"}, {false, "100d500"}},
        {{false, "d1+999"}, {false, "100d500"}},  // below 1000 only in a far tail
        {{false, "d20"}, {false, "100d500"}},     // never greater
        {{false, padded("30#d20 ", 380)}, {true, "d6-2147483647-1 30#d6-3"}},
        {{true, padded("100d500 100d499 ", 455)}, {false, "d6"}},
    };
    for (const auto& [a, b] : cases) {
        const std::string name = a.text.substr(0, 12) + " vs " + b.text.substr(0, 12);
        const orvik::odds::Odds x = oddsOf(a.text, a.sneak), y = oddsOf(b.text, b.sneak);
        const orvik::odds::Contest ab = orvik::odds::contest(x, y), ba = orvik::odds::contest(y, x);
        EXPECT_NEAR(ab.greater + ab.equal + ab.less + ab.errorProbability, 1.0, 1e-12) << name;
        // The other way round, each from the other tail.
        EXPECT_NEAR(ab.greater, ba.less, 1e-13 * ab.greater) << name;
        EXPECT_NEAR(ab.less, ba.greater, 1e-13 * ab.less) << name;
        EXPECT_NEAR(ab.equal, ba.equal, 1e-13 * ab.equal) << name;
        EXPECT_EQ(ab.errorProbability, ba.errorProbability) << name;
    }
    const orvik::odds::Odds fixed = orvik::odds::rollOdds("d1+999");
    const orvik::odds::Odds big = orvik::odds::rollOdds("100d500");
    long double below = 0;
    for (std::size_t i = 0; i < 1000 - 100; ++i)
        below += big.results.totals.probability[i];
    const orvik::odds::Contest c = orvik::odds::contest(fixed, big);
    EXPECT_LT(c.greater, 1e-100);
    EXPECT_NEAR(c.greater, static_cast<double>(below), 1e-13 * static_cast<double>(below));
    EXPECT_EQ(orvik::odds::contest(orvik::odds::rollOdds("d20"), big).greater, 0.0);
}

// A million of the module's own rolls: how many groups reach the target, and who wins.
TEST(OddsQuestions, ModuleRollsReachAsOften) {
    const struct {
        TextCase roll;
        std::int64_t target = 0;
        long rolls = 0;
    } cases[] = {
        {{false, "3#d20+5"}, 15, 1000000},
        {{true, "d4 5#d6"}, 8, 1000000},
        {{true, padded("d20-15 10#d20-10 ", 420)}, 0, 200000},  // refused about 13% of the time
    };
    for (const auto& c : cases) {
        const std::string name = c.roll.text.substr(0, 20);
        const orvik::odds::Odds odds = oddsOf(c.roll.text, c.roll.sneak);
        const orvik::odds::TargetOdds reaching = orvik::odds::targetOdds(odds, c.target);
        std::vector<double> p{odds.results.errorProbability};  // the error, then k = 0, 1, ...
        p.insert(p.end(), reaching.exactly.begin(), reaching.exactly.end());
        std::vector<long> counts(p.size(), 0);
        orvik::seedRandom(4242u);
        for (long i = 0; i < c.rolls; ++i) {
            const std::string answer = rollOnce(c.roll.text, c.roll.sneak);
            const std::size_t at = answer.rfind(" and gets ");
            if (at == std::string::npos) {
                ASSERT_EQ(answer, kInvalid) << name;
                ++counts[0];
                continue;
            }
            std::size_t k = 0;
            for (const char* next = answer.c_str() + at + 10; *next != '\0' && *next != '.';) {
                char* end = nullptr;
                if (std::strtol(next, &end, 10) >= c.target) ++k;
                next = end + (*end == ',' ? 2 : 0);
            }
            ++counts.at(k + 1);
        }
        const auto [statistic, df] = chiSquare(counts, p, c.rolls);
        EXPECT_LT(statistic, criticalValue(df)) << name << " with " << df << " degrees of freedom";
    }
}

TEST(OddsQuestions, ModuleRollsWinAsOften) {
    const std::pair<TextCase, TextCase> cases[] = {
        {{false, "d20+5"}, {false, "2d6+3*2"}},
        {{false, padded("2#d10 ", 483)}, {true, "d6 d8"}},  // refused 1% of the time
    };
    for (const auto& [a, b] : cases) {
        const std::string name = a.text.substr(0, 12) + " vs " + b.text.substr(0, 12);
        const orvik::odds::Contest chances =
            orvik::odds::contest(oddsOf(a.text, a.sneak), oddsOf(b.text, b.sneak));
        // Pooled from the smallest up, so that a small error still has a bin of its own.
        const std::vector<double> p{chances.errorProbability, chances.equal, chances.greater,
                                    chances.less};
        std::vector<long> counts(4, 0);
        const auto first = [](const std::string& answer) {
            const std::size_t at = answer.rfind(" and gets ");
            return at == std::string::npos ? std::numeric_limits<long>::min()
                                           : std::strtol(answer.c_str() + at + 10, nullptr, 10);
        };
        orvik::seedRandom(777u);
        const long rolls = 1000000;
        for (long i = 0; i < rolls; ++i) {
            const long x = first(rollOnce(a.text, a.sneak)), y = first(rollOnce(b.text, b.sneak));
            const long none = std::numeric_limits<long>::min();
            ++counts[x == none || y == none ? 0 : x == y ? 1 : x > y ? 2 : 3];
        }
        const auto [statistic, df] = chiSquare(counts, p, rolls);
        EXPECT_LT(statistic, criticalValue(df)) << name << " with " << df << " degrees of freedom";
    }
}

}  // namespace
