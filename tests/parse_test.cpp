// What a text asks for: the fields of a constructed record, and the text's error.
#include <gtest/gtest.h>

#include <string>

#include "random/DiceRandom.h"
#include "testing.h"

namespace {

using namespace orvik::testing;

struct Fields {
    const char* text;
    std::int32_t groups, dice, sides, modifier, multiplier;
};

// Fields after construction: dice and modifier are already multiplied.
const Fields kValid[] = {
    {"d20", 1, 1, 20, 0, 0},
    {"3d6", 1, 3, 6, 0, 0},
    {"03d006", 1, 3, 6, 0, 0},
    {"2#d20+5", 2, 1, 20, 5, 0},
    {"2d6+3-1+4", 1, 2, 6, 6, 0},
    {"2d6+3*2", 1, 4, 6, 6, 2},
    {"d20+5*3", 1, 3, 20, 15, 3},
    {"2d6*2*2", 1, 6, 6, 0, 3},
    {"2d6*3*2", 1, 8, 6, 0, 4},
    {"2d6*1", 1, 2, 6, 0, 1},
    {"d20 +5 to hit", 1, 1, 20, 0, 0},
    {" 3#d6", 3, 1, 6, 0, 0},
    {"+3#d6", 3, 1, 6, 0, 0},
    {"3 #d6", 3, 1, 6, 0, 0},
    {"3x#d6", 3, 1, 6, 0, 0},
    {"\t\n\v\f\r 3#d6", 3, 1, 6, 0, 0},
    {"3d6 #d8", 3, 1, 8, 0, 0},
    {"0000000000030#d6", 30, 1, 6, 0, 0},
    {"d6-10", 1, 1, 6, -10, 0},
    {"d6-5000", 1, 1, 6, -5000, 0},
    {"30#d6", 30, 1, 6, 0, 0},
    {"100d6", 1, 100, 6, 0, 0},
    {"d500", 1, 1, 500, 0, 0},
    {"d6*10", 1, 10, 6, 0, 10},
    {"d6+1000", 1, 1, 6, 1000, 0},
    {"d6+2147483647-2147483647", 1, 1, 6, 0, 0},
    {"d6-2147483647-1", 1, 1, 6, -2147483647 - 1, 0},
    {"d6-1073741824*2", 1, 2, 6, -2147483647 - 1, 2},
    {"d500+0000000000001", 1, 1, 500, 1, 0},
};

TEST(Parse, ValidTextsFillTheFields) {
    for (const Fields& f : kValid) {
        SCOPED_TRACE(f.text);
        Orvik_Dice record(f.text);
        EXPECT_EQ(record.nGroups, f.groups);
        EXPECT_EQ(record.nDice, f.dice);
        EXPECT_EQ(record.nSides, f.sides);
        EXPECT_EQ(record.modifier, f.modifier);
        EXPECT_EQ(record.multiplier, f.multiplier);
        EXPECT_STREQ(record.diceCommands, f.text);
        ASSERT_NE(record.results, nullptr);
    }
}

TEST(Parse, MalformedTextsAreInvalid) {
    const char* const texts[] = {
        "",
        "d",
        "D20",
        "d20x",
        "d20\t",
        "d20*2+1",
        "d0",
        "0d6",
        "d6+",
        "d6-",
        "d6+0",
        "d6-0",
        "d6*0",
        "d6**2",
        "d6*",
        "d6*2*",
        "d6*2*0",
        "dd6",
        "2d",
        "2x6",
        "d6d6",
        "-d6",
        "+d6",
        "d 6",
        "3#",
        "#d6",
        "0#d6",
        "-2#d6",
        "#",
        "x#d6",
        "d20 roll #1",
        "3d6#2",
        "3#3#d6",
        "d6 #",
        "d+6",
        "d6+3d6",
        "\xff",
        "d6\xff",
        "\xe9#d6",
        "d6\x80 ok",
        "d6\r",
        "d6\n",
        // Digit runs beyond 2147483647 are refused, not wrapped.
        "4294967302d6",
        "d2147483648",
        "d6+2147483648",
        "d6-2147483648",
        "99999999999#d6",
        "-99999999999#d6",
        "2147483648#d6",
        "d6*2147483648",
        "d6*2*2147483648",
        "d6+99999999999999999999999999999",
        "00000000000000000000004294967297d6",
        // A modifier below -2147483648 once multiplied, after every limit has passed.
        "d6-2147483647-2",
        "d6-1073741825*2",
        "d6-2147483647-2147483647-2147483647",
    };
    for (const char* text : texts) {
        EXPECT_EQ(constructionError(text), kInvalid) << '"' << text << '"';
    }
}

TEST(Parse, LimitsAreCheckedInOrderOnExactValues) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"31#d6", kGroups},
        {"101d6", kDice},
        {"20d6*6", kDice},
        {"11d6*10", kDice},
        {"d501", kSides},
        {"d6+1001", kModifier},
        {"d6+600*2", kModifier},
        {"d6+500+501", kModifier},
        {"d6*11", kMultiplier},
        {"d6*6*6", kMultiplier},
        {"5d10*20", kMultiplier},
        {"31#101d501+2000*20", kGroups},
        {"101d501+2000*20", kDice},
        {"d501+2000*20", kSides},
        {"d6+2000*20", kModifier},
        // No wrap-around: in 32 bits these multiply to 0 dice or a small count.
        {"1073741824d6*2", kDice},
        {"2147483647d6*2147483647", kDice},
        {"d6*2147483647*2147483647", kDice},
        {"d6+2147483647+2147483647", kModifier},
        {"d6+1073741824*4", kModifier},
        // Products beyond 64 bits are pinned, not wrapped, and still fail where they should.
        {"2147483647d6*2147483647*2147483647*2147483647", kDice},
        {"d6-2147483647*2147483647*2147483647*2147483647", kDice},
        // Huge negative modifiers still lose to an earlier limit.
        {"31#d6-2147483647-2", kGroups},
        {"d501-2147483647-2147483647", kSides},
        {"101d6-2147483647-2", kDice},
        {"d6-2147483647-2*11", kMultiplier},
        {"d2147483647", kSides},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(constructionError(c.text), c.message) << c.text;
    }
}

TEST(Parse, FreeTextIsKeptWhole) {
    const char* const texts[] = {"d6 extra words", "d20 +5 to hit", "d6 \xff\x01"};
    for (const char* text : texts) {
        Orvik_Dice record(text);
        EXPECT_STREQ(record.diceCommands, text);
    }
}

}  // namespace
