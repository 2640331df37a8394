// The lengths of the totals' texts, and the sentence's length without them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "dice/Decimal.h"
#include "odds/TextLengths.h"
#include "odds_testing.h"

namespace {

using namespace orvik::testing;

// The lengths of the totals' texts, cut into runs, against the engine's own decimal text.
TEST(OddsRefusal, LengthRunsFollowTheDecimalText) {
    std::vector<std::int64_t> centres{kLowest, 0};
    for (std::int64_t power = 10; power <= 1000000000; power *= 10) {
        centres.push_back(power);
        centres.push_back(-power);
        centres.push_back(1 - power);
    }
    for (const std::int64_t centre : centres) {
        const std::int64_t first = std::max(centre - 30, kLowest), last = centre + 30;
        const std::vector<orvik::odds::LengthRun> runs = orvik::odds::lengthRuns(first, last);
        ASSERT_FALSE(runs.empty());
        EXPECT_EQ(runs.front().first, first);
        EXPECT_EQ(runs.back().last, last);
        for (std::size_t r = 0; r < runs.size(); ++r) {
            if (r > 0) {
                EXPECT_EQ(runs[r].first, runs[r - 1].last + 1) << centre;
                EXPECT_NE(runs[r].length, runs[r - 1].length)
                    << centre;  // cut only where it changes
            }
            for (std::int64_t t = runs[r].first; t <= runs[r].last; ++t)
                ASSERT_EQ(static_cast<std::size_t>(runs[r].length), orvik::decimalLength(t)) << t;
        }
    }
}

// The sentence's length less its totals, plus the totals' digits, is the sentence's length.
TEST(OddsRefusal, SentenceLengthWithoutTotals) {
    orvik::seedRandom(3u);
    const struct {
        bool sneak;
        const char* text;
    } cases[] = {{false, "d20"},       {false, "3#2d6-20 to hit"}, {false, "30#d6"},
                 {false, "1d6 d"},     {true, "3d6 d8+2"},         {true, "3d6 2#d8 behind"},
                 {true, "d6 30#d6-10"}};
    for (const auto& c : cases) {
        const Orvik_Dice record = c.sneak ? orvik::makeSneakAttack(c.text) : Orvik_Dice(c.text);
        std::size_t digits = 0;
        for (std::int32_t g = 0; g < record.nGroups; ++g)
            digits += orvik::decimalLength(record.results[g]);
        EXPECT_EQ(
            Orvik_Dice::resultsLengthWithoutTotals(record.diceCommands, record.nGroups) + digits,
            record.resultsLength())
            << c.text;
    }
}

}  // namespace
