// The sentence a record writes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "random/DiceRandom.h"
#include "testing.h"

namespace {

std::string sentence(const char* text, std::uint32_t seed = 1u) {
    orvik::seedRandom(seed);
    const Orvik_Dice record(text);
    std::string out(record.resultsLength() + 8, '#');
    record.writeResults(&out[0]);
    // Exactly the measured length, then the terminator, and nothing after it touched.
    EXPECT_EQ(std::strlen(out.c_str()), record.resultsLength()) << text;
    EXPECT_EQ(out.substr(record.resultsLength() + 1), std::string(7, '#')) << text;
    return out.c_str();
}

TEST(Results, SentenceShapes) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"d6", "rolls a d6 and gets 5."},
        {"1d6", "rolls 1d6 and gets 5."},
        {"d20+5", "rolls a d20+5 and gets 12."},
        {"2#d20", "rolls 2#d20 and gets 7, 11."},
        {"3#2d6", "rolls 3#2d6 and gets 10, 8, 7."},
        {"d6-10", "rolls a d6-10 and gets -5."},
        {"d1-1", "rolls a d1-1 and gets 0."},
        {"d20 to hit", "rolls a d20 to hit and gets 7."},
        {"3d6 for damage", "rolls 3d6 for damage and gets 13."},
        {" 2#d6", "rolls  2#d6 and gets 5, 5."},
        {"d6-2147483647-1", "rolls a d6-2147483647-1 and gets -2147483643."},
        {"d1-1073741824*2", "rolls a d1-1073741824*2 and gets -2147483646."},
        {"d6 \xff\x80", "rolls a d6 \xff\x80 and gets 5."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sentence(c.text), c.expected);
}

TEST(Results, ThirtyOfTheWidestTotals) {
    const std::string text = "30#d1-1073741824*2";
    std::string expected = "rolls " + text + " and gets ";
    for (int g = 0; g < 30; ++g)
        expected += g < 29 ? "-2147483646, " : "-2147483646.";
    EXPECT_EQ(sentence(text.c_str()), expected);
}

}  // namespace
