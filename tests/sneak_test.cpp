// Sneak attacks: the split, the order of the draws, the description and every failure.
#include <gtest/gtest.h>

#include <string>

#include "random/RandomInternal.h"
#include "report/SneakAttack.h"
#include "testing.h"

namespace {

using namespace orvik::testing;

// The combined sentence, or the error's message.
std::string sneak(const std::string& text) {
    orvik::seedRandom(1u);
    try {
        const Orvik_Dice record = orvik::makeSneakAttack(text.c_str());
        std::string out(record.resultsLength(), '\0');
        record.writeResults(&out[0]);
        return out;
    } catch (const orvik::DiceError& error) {
        return error.what();
    }
}

// Draws from state 1: 346 130 10982 1090 11656 7117 17595 6415.
TEST(Sneak, Answers) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"3d6 d8+2", "rolls ( sneak attack, +3d6 ) a d8+2 and gets 18."},
        {"3d6 2d8+2", "rolls ( sneak attack, +3d6 ) 2d8+2 and gets 19."},
        {"2d6 2#d8", "rolls ( sneak attack, +2d6 ) 2#d8 and gets 17, 13."},
        {"3d6 d8+2 from behind", "rolls ( sneak attack, +3d6 ) a d8+2 from behind and gets 18."},
        {"d1-1 d1-1", "rolls ( sneak attack, +d1-1 ) a d1-1 and gets 0."},
        {"d6-2147483647-1 d1+1000",
         "rolls ( sneak attack, +d6-2147483647-1 ) a d1+1000 and gets -2147482642."},
        {"3d6", kSneakFormat},
        {"", kSneakFormat},
        {"3d6\td8", kSneakFormat},
        {" d8", kInvalid},
        {"3d6 ", kInvalid},
        {"3d6  d8", kInvalid},
        {"3d6 d8 #2", kInvalid},
        {"3d6 2#d8", "rolls ( sneak attack, +3d6 ) 2#d8 and gets 16, 14."},
        {"3d6 d501", kSides},
        {"101d6 d8", kDice},
        {"d6*11 d501", kMultiplier},
        {"d6 31#d6", kGroups},
        // Combined totals that leave the 32-bit range are refused, not wrapped.
        {"d1-2147483647-1 d1-2147483647-1", kInvalid},
        {"d1-2147483647-1 d2-2147483647", kInvalid},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sneak(c.text), c.expected) << '"' << c.text << '"';
}

TEST(Sneak, GroupedSneakRollsEveryGroupButAddsTheFirst) {
    // "2#3d6" takes six draws (13 and 12), so the d8 takes the seventh: 17595 % 8 + 1 = 4.
    EXPECT_EQ(sneak("2#3d6 d8"), "rolls ( sneak attack, +2#3d6 ) a d8 and gets 17.");
}

TEST(Sneak, TheSneakDrawsStayUsedWhenTheMainRollFails) {
    EXPECT_EQ(sneak("3d6 d501"), kSides);
    EXPECT_EQ(orvik::nextRandom(), 1090);
    EXPECT_EQ(sneak("3d6"), kSneakFormat);
    EXPECT_EQ(orvik::nextRandom(), 346);
}

TEST(Sneak, NoFixedWorkBuffer) {
    // A first space far beyond a thousand characters: the sneak text is a long but valid roll.
    const std::string padded = "3d6+" + std::string(1100, '0') + "1";
    EXPECT_EQ(sneak(padded + " d8+2"),
              "rolls ( sneak attack, +" + padded + " ) a d8+2 and gets 19.");
    // A description far beyond a thousand characters.
    const std::string story(5000, 'x');
    EXPECT_EQ(sneak("3d6 d8+2 " + story),
              "rolls ( sneak attack, +3d6 ) a d8+2 " + story + " and gets 18.");
}

}  // namespace
