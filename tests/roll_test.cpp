// The dice: which draws a roll takes, and what it makes of them.
#include <gtest/gtest.h>

#include <string>

#include "random/RandomInternal.h"
#include "testing.h"

namespace {

using namespace orvik::testing;

// The state whose next output is `output`, for forcing a draw.
std::uint32_t stateBefore(int output) {
    // Inverse of the multiplier modulo 2^32 by Newton's iteration.
    std::uint32_t inverse = 22695477u;
    for (int i = 0; i < 5; ++i)
        inverse *= 2u - 22695477u * inverse;
    const std::uint32_t after = static_cast<std::uint32_t>(output) << 16;
    return (after - 1u) * inverse;
}

TEST(Roll, KnownTotalsFromStateOne) {
    struct Case {
        const char* text;
        std::vector<std::int32_t> totals;
    } cases[] = {
        {"d20", {7}},                              // 346 % 20 + 1
        {"3d6", {13}},                             // 5 + 5 + 3
        {"2#d20+5", {12, 16}},                     // the first group's die is drawn first
        {"d6-10", {-5}},       {"2d6+3*2", {24}},  // 4 dice (5, 5, 3, 5) and +6
        {"3#2d6", {10, 8, 7}}, {"d6-2147483647-1", {-2147483643}},
        {"100d1", {100}},      {"30#d1+1000", std::vector<std::int32_t>(30, 1001)},
    };
    for (const Case& c : cases) {
        orvik::seedRandom(1u);
        Orvik_Dice record(c.text);
        EXPECT_EQ(totals(record), c.totals) << c.text;
    }
}

TEST(Roll, FacesAreTheRemainderPlusOne) {
    struct Case {
        int draw;
        const char* text;
        std::int32_t total;
    } cases[] = {
        {32767, "d500", 268}, {32767, "d1", 1}, {0, "d500", 1},   {499, "d500", 500},
        {500, "d500", 1},     {32767, "d2", 2}, {32766, "d3", 1}, {12345, "d7", 5},
    };
    for (const Case& c : cases) {
        orvik::seedRandom(stateBefore(c.draw));
        Orvik_Dice record(c.text);
        EXPECT_EQ(record.results[0], c.total) << c.draw << " " << c.text;
    }
}

// Every total against an independent walk of the generator, over many shapes of roll, and the
// generator left exactly where the dice leave it.
TEST(Roll, TotalsMatchTheReferenceOverManyRolls) {
    ReferenceLcg shapes(2024u);
    for (int i = 0; i < 3000; ++i) {
        const int groups = shapes.next() % 30 + 1;
        const int dice = shapes.next() % 100 + 1;
        const int sides = shapes.next() % 500 + 1;
        const int modifier = shapes.next() % 2001 - 1000;
        const std::uint32_t seed = static_cast<std::uint32_t>(shapes.next()) * 131071u;
        std::string text = std::to_string(groups) + "#" + std::to_string(dice) + "d" +
                           std::to_string(sides) + (modifier < 0 ? "-" : "+") +
                           std::to_string(modifier < 0 ? -modifier : modifier);
        if (modifier == 0) text.resize(text.size() - 2);
        SCOPED_TRACE(text);

        orvik::seedRandom(seed);
        Orvik_Dice record(text.c_str());
        ReferenceLcg reference(seed);
        for (int g = 0; g < groups; ++g) {
            std::int32_t total = 0;
            for (int d = 0; d < dice; ++d)
                total += reference.next() % sides + 1;
            ASSERT_EQ(record.results[g], total + modifier) << "group " << g;
        }
        ASSERT_EQ(orvik::nextRandom(), reference.next());
    }
}

TEST(Roll, FailedRollsTakeNoDraws) {
    for (const char* text : {"d20x", "101d6", "31#d6", "d6-2147483647-2"}) {
        orvik::seedRandom(1u);
        EXPECT_NE(constructionError(text), "");
        EXPECT_EQ(orvik::nextRandom(), 346) << text;
    }
}

TEST(Record, CopiesAreDeepAndClearIsRepeatable) {
    orvik::seedRandom(1u);
    auto* source = new Orvik_Dice("3#2d6+1 copied");
    const Orvik_Dice copy(*source);
    const std::vector<std::int32_t> expected = totals(*source);
    EXPECT_NE(copy.diceCommands, source->diceCommands);
    EXPECT_NE(copy.results, source->results);
    delete source;
    EXPECT_STREQ(copy.diceCommands, "3#2d6+1 copied");
    EXPECT_EQ(totals(copy), expected);
    EXPECT_EQ(copy.nDice, 2);
    EXPECT_EQ(copy.modifier, 1);

    Orvik_Dice cleared("d6");
    cleared.clear();
    EXPECT_EQ(cleared.diceCommands, nullptr);
    EXPECT_EQ(cleared.results, nullptr);
    cleared.clear();
    const Orvik_Dice copyOfCleared(cleared);
    EXPECT_EQ(copyOfCleared.diceCommands, nullptr);
    EXPECT_EQ(copyOfCleared.results, nullptr);
}

}  // namespace
