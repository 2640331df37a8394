// The answers the module refuses, a combined total below the range or a sentence too long, against
// every roll of small texts enumerated and the module's own rolls.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "odds/Odds.h"
#include "odds_testing.h"
#include "print/OddsPrint.h"
#include "testing.h"

namespace {

using namespace orvik::testing;
using orvik::odds::Distribution;

double chanceOf(const orvik::odds::Odds& odds, std::int64_t total) {
    const Distribution& t = odds.results.totals;
    return total < t.lowest || total > t.highest()
               ? 0.0
               : t.probability[static_cast<std::size_t>(total - t.lowest)];
}

// The totals of one group sum to 1 with the refusals, every chance and every "or more" and "or
// less" lies in [0, 1], the lowest total or more and the highest or less are exactly the chance of
// a result, and "t or less" and "t + 1 or more" make up that chance.
TEST(OddsRefusal, ChancesStayWithinOne) {
    const TextCase cases[] = {
        {false, "10d3"},
        {false, "50d2*2"},
        {false, "100d500"},
        {false, "d1*10"},
        {false, "3#d6-3"},
        {true, "3d6 2#d8+2"},
        {true, "d6-2147483647-1 d6-3"},
        {false, padded("30#d20 ", 380)},
        {true, padded("d20-15 10#d20-10 ", 415)},
        {true, padded("d20-15 10#d20-10 ", 425)},
        // Nearly every answer is refused: a result's chance is far below the error's last digit.
        {true, padded("100d500 100d499 ", 455)},
    };
    for (const auto& c : cases) {
        const orvik::odds::Odds odds = oddsOf(c.text, c.sneak);
        const std::vector<double>& p = odds.results.totals.probability;
        const std::vector<double> above = orvik::odds::atLeast(odds);
        const std::vector<double> below = orvik::odds::atMost(odds);
        const std::string name = c.text.substr(0, 20);
        ASSERT_EQ(above.size(), p.size()) << name;
        ASSERT_EQ(below.size(), p.size()) << name;
        const double results = 1.0 - odds.results.errorProbability;
        if (odds.results.errorProbability <= 0.5) {
            EXPECT_EQ(above[0], results) << name;
            EXPECT_EQ(below.back(), results) << name;
        } else {
            EXPECT_NEAR(above[0], results, 1e-15) << name;
            EXPECT_NEAR(below.back(), results, 1e-15) << name;
        }
        EXPECT_GE(odds.results.errorProbability, 0.0) << name;
        long double sum = odds.results.errorProbability;
        for (std::size_t i = 0; i < p.size(); ++i) {
            EXPECT_TRUE(p[i] >= 0.0 && p[i] <= 1.0) << name << " p[" << i << "] = " << p[i];
            EXPECT_TRUE(above[i] >= 0.0 && above[i] <= 1.0) << name << " at_least " << above[i];
            EXPECT_TRUE(below[i] >= 0.0 && below[i] <= 1.0) << name << " at_most " << below[i];
            if (i > 0) {
                EXPECT_LE(above[i], above[i - 1]) << name;
                EXPECT_GE(below[i], below[i - 1]) << name;
                EXPECT_NEAR(below[i - 1] + above[i], results, 1e-12) << name << " at " << i;
            }
            sum += p[i];
        }
        EXPECT_NEAR(static_cast<double>(sum), 1.0, 1e-12) << name;
        // What scripts read: the lowest total's at_least is written as exactly 1 when nothing is
        // refused.
        if (odds.results.errorProbability == 0.0) {
            EXPECT_NE(orvik::print::oddsJson(c.text, odds).find(",\"at_least\":1,"),
                      std::string::npos)
                << name;
        }
    }
}

// The chance of each first group's total among the results, and of the error.
struct Enumerated {
    std::int64_t lowest = 0;  // of every combined total, result or not
    std::vector<long double> p;
    long double error = 0;
};

Enumerated enumerate(const std::string& text, bool sneak) {
    const EveryRoll every = everyRoll(text, sneak);
    Enumerated e;
    e.lowest = every.lowest;
    for (const Roll& roll : every.rolls) {
        const auto i = static_cast<std::size_t>(roll.totals[0] - every.lowest);
        if (e.p.size() <= i) e.p.resize(i + 1, 0.0L);
        (roll.result ? e.p[i] : e.error) += every.chance(roll.count);
    }
    return e;
}

TEST(OddsRefusal, MixedTextsMatchEveryRollEnumerated) {
    const TextCase cases[] = {
        // Room for 4 digits and signs in the totals: three totals from -9 to 10.
        {false, padded("3#d20-10 ", 477)},
        // Room for 3: only two 10s do not fit.
        {false, padded("2#d10 ", 483)},
        // One group with room for one character: only 0 to 9 are results.
        {false, padded("d20-10 ", 484)},
        // Room for 3 only: three totals from -11 to 8, every one a single digit.
        {false, padded("3#d20-12 ", 478)},
        // Room for 5, three totals from -10 to 14 that share the sneak total; then for 3.
        {true, padded("d6 3#d20-12 ", 454)},
        {true, padded("d6 3#d20-12 ", 456)},
        // Room for 3: no more than one of the two totals from -4 to 8 may be negative.
        {true, padded("d4 2#d10-6 ", 459)},
        // Any of the three groups can fall below the range.
        {true, "d6-2147483647-1 3#d6-3"},
    };
    for (const auto& c : cases) {
        const std::string name = c.text.substr(0, 20);
        const Enumerated exact = enumerate(c.text, c.sneak);
        ASSERT_GT(exact.error, 0.0L) << name;
        ASSERT_LT(exact.error, 0.99L) << name;
        const orvik::odds::Odds odds = oddsOf(c.text, c.sneak);
        EXPECT_NEAR(odds.results.errorProbability, static_cast<double>(exact.error),
                    1e-13 * static_cast<double>(exact.error))
            << name;
        std::int64_t first = 0, last = -1;  // the totals that are results
        for (std::size_t i = 0; i < exact.p.size(); ++i) {
            const std::int64_t total = exact.lowest + static_cast<std::int64_t>(i);
            const auto p = static_cast<double>(exact.p[i]);
            if (p > 0 && last < first) first = total;
            if (p > 0) last = total;
            EXPECT_NEAR(chanceOf(odds, total), p, 1e-13 * p) << name << " total " << total;
        }
        EXPECT_EQ(odds.results.totals.lowest, first) << name;
        EXPECT_EQ(odds.results.totals.highest(), last) << name;
    }
}

// The module's own rolls, refusals counted with the totals, against the computed odds.
TEST(OddsRefusal, ModuleRollsRefuseAsOften) {
    const TextCase cases[] = {
        {false, padded("30#d20 ", 380)},
        {true, padded("d20-15 10#d20-10 ", 420)},
    };
    for (const auto& c : cases) {
        const std::string name = c.text.substr(0, 20);
        const orvik::odds::Odds odds = oddsOf(c.text, c.sneak);
        ASSERT_GT(odds.results.errorProbability, 0.05) << name;
        std::vector<double> p{odds.results.errorProbability};
        p.insert(p.end(), odds.results.totals.probability.begin(),
                 odds.results.totals.probability.end());
        std::vector<long> counts(p.size(), 0);
        orvik::seedRandom(99u);
        const long rolls = 100000;
        for (long i = 0; i < rolls; ++i) {
            const std::string answer = rollOnce(c.text, c.sneak);
            const std::size_t at = answer.rfind(" and gets ");
            if (answer.compare(0, 6, "rolls ") != 0 || at == std::string::npos) {
                ASSERT_EQ(answer, kInvalid) << name;
                ++counts[0];
                continue;
            }
            const long total = std::strtol(answer.c_str() + at + 10, nullptr, 10);
            ++counts.at(static_cast<std::size_t>(total - odds.results.totals.lowest) + 1);
        }
        const auto [statistic, df] = chiSquare(counts, p, rolls);
        EXPECT_LT(statistic, criticalValue(df)) << name << " with " << df << " degrees of freedom";
    }
}

}  // namespace
