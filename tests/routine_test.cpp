// The roll routines bounded by a buffer's capacity: an answer is written whole or not at all, and
// nothing lands past the capacity.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/RollRoutine.h"
#include "random/RandomInternal.h"
#include "testing.h"

namespace {

using namespace orvik::testing;
using orvik::host::diceMain;
using orvik::host::sneakAttack;

constexpr std::size_t kGuard = 32;
constexpr char kGuardByte = '\x5a';

using Routine = std::int32_t (*)(char*, std::size_t);

// Runs a routine over text in a buffer of `capacity` bytes followed by guard bytes; returns the
// answer and checks the guard.
std::string answer(Routine routine, const std::string& text, std::size_t capacity) {
    std::vector<char> buffer(std::max(capacity, text.size() + 1) + kGuard, kGuardByte);
    std::memcpy(buffer.data(), text.c_str(), text.size() + 1);
    orvik::seedRandom(1u);
    EXPECT_EQ(routine(buffer.data(), capacity), 3);
    for (std::size_t i = std::max(capacity, text.size() + 1); i < buffer.size(); ++i) {
        EXPECT_EQ(buffer[i], kGuardByte) << "byte " << i << " past the buffer was written";
    }
    if (capacity == 0) return std::string(buffer.data(), text.size());  // untouched
    const std::size_t length = strnlen(buffer.data(), capacity);
    EXPECT_LT(length, capacity) << "answer not terminated inside the capacity";
    return std::string(buffer.data(), length);
}

TEST(Routine, AnswersWithinTheCapacity) {
    const std::string d20 = "rolls a d20 and gets 7.";  // 23 characters
    struct Case {
        Routine routine;
        std::string text;
        std::size_t capacity;
        std::string expected;
    } cases[] = {
        {diceMain, "d20", 512, d20},
        {diceMain, "d20", d20.size() + 1, d20},
        {diceMain, "d20", d20.size(), std::string(kInvalid).substr(0, d20.size() - 1)},
        {diceMain, "d20", 10, "Dice Erro"},
        {diceMain, "d20", 1, ""},
        {diceMain, "d20", 0, "d20"},
        {diceMain, "d20x", 512, kInvalid},
        {diceMain, "d20x", sizeof kInvalid, kInvalid},
        {diceMain, "d20x", sizeof kInvalid - 1, std::string(kInvalid, sizeof kInvalid - 2)},
        {diceMain, "101d6", 512, kDice},
        {diceMain, "", 512, kInvalid},
        {sneakAttack, "3d6 d8+2", 512, "rolls ( sneak attack, +3d6 ) a d8+2 and gets 18."},
        {sneakAttack, "3d6 d8+2", 20, "Dice Error: Invalid"},
        {sneakAttack, "3d6", 512, kSneakFormat},
        {sneakAttack, "3d6", 6, "Dice "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(answer(c.routine, c.text, c.capacity), c.expected)
            << '"' << c.text << "\" in " << c.capacity << " bytes";
    }
}

TEST(Routine, SixArgumentCapacityIsTheTextOr512) {
    EXPECT_EQ(orvik::host::assumedCapacity(""), 512u);
    EXPECT_EQ(orvik::host::assumedCapacity(std::string(511, 'x').c_str()), 512u);
    EXPECT_EQ(orvik::host::assumedCapacity(std::string(512, 'x').c_str()), 513u);
    EXPECT_EQ(orvik::host::assumedCapacity(nullptr), 0u);
    EXPECT_EQ(diceMain(nullptr, 512), 3);
}

TEST(Routine, LongTextsFitOrAreRefusedWhole) {
    const std::string text = "d20 " + std::string(700, 'x');
    const std::string full = "rolls a " + text + " and gets 7.";
    EXPECT_EQ(answer(diceMain, text, full.size() + 1), full);
    EXPECT_EQ(answer(diceMain, text, full.size()), kInvalid);
    EXPECT_EQ(answer(diceMain, text, text.size() + 1), kInvalid);
}

TEST(Routine, ARollThatDoesNotFitStillUsesItsDraws) {
    std::vector<char> buffer(8, '\0');
    std::memcpy(buffer.data(), "2#d20", 6);
    orvik::seedRandom(1u);
    diceMain(buffer.data(), buffer.size());
    EXPECT_STREQ(buffer.data(), "Dice Er");
    EXPECT_EQ(orvik::nextRandom(), 10982);
}

}  // namespace
