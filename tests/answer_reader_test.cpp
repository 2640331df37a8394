// Reading answers back out of a game's log: the roll text recovered from the sentence, whatever
// stands before it and whatever the text's free text holds; and whose line it is.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "host/RollRoutine.h"
#include "random/DiceRandom.h"
#include "report/AnswerReader.h"
#include "report/Speaker.h"

namespace {

using orvik::LoggedAnswer;
using orvik::LogLine;
using orvik::readLogLine;

const char* name(LogLine kind) {
    static const char* const names[] = {"Answer", "DiceError", "Refused", "Untried", "Other"};
    return names[static_cast<int>(kind)];
}

LogLine read(const std::string& line, LoggedAnswer& answer) {
    return readLogLine(line.data(), line.size(), answer);
}

TEST(AnswerReader, ReadsLines) {
    struct Row {
        std::string line;
        LogLine kind;
        const char* text = "";  // for an answer
        bool sneak = false;
        std::vector<std::int64_t> totals = {};
        std::int32_t groups = 1;
    } rows[] = {
        {"rolls a d20 and gets 7.", LogLine::Answer, "d20", false, {7}},
        {"rolls 1d6 and gets 4.", LogLine::Answer, "1d6", false, {4}},
        {"rolls 2#d6 and gets 3, 4.", LogLine::Answer, "2#d6", false, {3, 4}, 2},
        {"rolls 3d6 #d8 and gets 1, 8, 2.", LogLine::Answer, "3d6 #d8", false, {1, 8, 2}, 3},
        {"rolls a d6-10 and gets -7.", LogLine::Answer, "d6-10", false, {-7}},
        {"rolls 3#d6-4 and gets -2, 0, 2.", LogLine::Answer, "3#d6-4", false, {-2, 0, 2}, 3},
        // Free text, which may hold the sentence's own words.
        {"rolls a d20 to hit and gets 12.", LogLine::Answer, "d20 to hit", false, {12}},
        {"rolls a d20 and gets lucky and gets 12.",
         LogLine::Answer,
         "d20 and gets lucky",
         false,
         {12}},
        {"rolls a d20 x and gets 5. and gets 12.",
         LogLine::Answer,
         "d20 x and gets 5.",
         false,
         {12}},
        {"rolls a d20 rolls 3d6 and gets 9.", LogLine::Answer, "d20 rolls 3d6", false, {9}},
        {"rolls a d20  and gets 9.", LogLine::Answer, "d20 ", false, {9}},
        {"rolls a d20 Dice Error: none and gets 9.",
         LogLine::Answer,
         "d20 Dice Error: none",
         false,
         {9}},
        // What stands before the sentence: times, names, other words.
        {"[21:04:17] <Bob> rolls a d20 and gets 7.", LogLine::Answer, "d20", false, {7}},
        {"Bob_rolls 2d6 pls: rolls a d20 and gets 7.", LogLine::Answer, "d20", false, {7}},
        {"The DM rolls his eyes; Bob rolls a d20 and gets 7.", LogLine::Answer, "d20", false, {7}},
        {"Ann rolls 5 apples, Bob rolls a d20 and gets 7.", LogLine::Answer, "d20", false, {7}},
        {"(rolls a d20 and gets 7.", LogLine::Answer, "d20", false, {7}},
        // Trailing blanks and a carriage return from a file written elsewhere.
        {"rolls a d20 and gets 7. \t \r", LogLine::Answer, "d20", false, {7}},
        // Sneak attacks: the sneak dice first, then the main roll with its free text.
        {"rolls ( sneak attack, +3d6 ) a d8+2 from behind and gets 15.",
         LogLine::Answer,
         "3d6 d8+2 from behind",
         true,
         {15}},
        {"rolls ( sneak attack, +2d6 ) 2#d8 and gets 9, 12.",
         LogLine::Answer,
         "2d6 2#d8",
         true,
         {9, 12},
         2},
        {"rolls ( sneak attack, +2#3d6 ) a d8 and gets 9.", LogLine::Answer, "2#3d6 d8", true, {9}},
        // Texts that are not the roll's first characters: a group prefix read the way atoi
        // reads one, so the module rolls them, and the sentence has no "a ".
        {"rolls  3#d6 and gets 5, 5, 3.", LogLine::Answer, " 3#d6", false, {5, 5, 3}, 3},
        {"rolls +3#d6 and gets 5, 5, 2.", LogLine::Answer, "+3#d6", false, {5, 5, 2}, 3},
        {"rolls ( sneak attack, +3d6 )  2#d6 and gets 8, 9.",
         LogLine::Answer,
         "3d6  2#d6",
         true,
         {8, 9},
         2},
        // A total too long to be any roll's is kept to be named.
        {"rolls a d20 and gets 12345678901234567.", LogLine::Answer, "d20", false, {0}},
        // Not answers.
        {"Dice Error: Maximum of 500 sides on any die.", LogLine::DiceError},
        {"<Bob> Dice Error: Invalid arguments in the attempted roll", LogLine::DiceError},
        {"rolls a d501 and gets 5.", LogLine::Refused},
        {"rolls 101d6 and gets 300.", LogLine::Refused},
        {"rolls ( sneak attack, +3d6 ) a d501 and gets 5.", LogLine::Refused},
        {"rolls ( sneak attack, +3d6x ) a d8 and gets 5.", LogLine::Refused},
        {"rolls d20 and gets 5.", LogLine::Other},  // the module writes "a d20"
        {"rolls a 3d6 and gets 5.", LogLine::Other},
        {"Bobrolls a d20 and gets 5.", LogLine::Other},
        {"rolls a d20 and gets 5. Nice!", LogLine::Other},
        {"rolls a d20 and gets 5", LogLine::Other},
        {"rolls a d20 and gets 5..", LogLine::Other},
        {"rolls a d20 and gets .", LogLine::Other},
        {"rolls a d20 and gets -.", LogLine::Other},
        {"rolls a d20 and gets +5.", LogLine::Other},
        {"rolls a d20 and gets 07.", LogLine::Other},
        {"rolls 2#d6-6 and gets 0, -0.", LogLine::Other},
        {"rolls a d20 and gets 5,6.", LogLine::Other},
        {"rolls a d20 and gets 5 , 6.", LogLine::Other},
        {"rolls 2#d20 and gets 5, .", LogLine::Other},
        {"rolls ( sneak attack, + ) a d8 and gets 5.", LogLine::Other},
        {"rolls ( sneak attack, +3d6 )a d8 and gets 5.", LogLine::Other},
        {"rolls ( sneak attack, +3d6 ) d8 and gets 5.", LogLine::Other},
        {"", LogLine::Other},
    };
    for (const Row& r : rows) {
        LoggedAnswer answer;
        const LogLine kind = read(r.line, answer);
        EXPECT_STREQ(name(kind), name(r.kind)) << r.line;
        if (kind != LogLine::Answer || r.kind != LogLine::Answer) continue;
        EXPECT_EQ(answer.text(), r.text) << r.line;
        EXPECT_EQ(answer.sneak, r.sneak) << r.line;
        EXPECT_EQ(answer.roll.groups, r.groups) << r.line;
        if (r.line.find("12345678901234567") != std::string::npos) {
            EXPECT_EQ(answer.unreadable, "12345678901234567");
            continue;
        }
        EXPECT_EQ(answer.totals, r.totals) << r.line;
        EXPECT_EQ(answer.unreadable, "") << r.line;
    }
}

// A line of any length is read in one pass that keeps what can name it and no more.
TEST(AnswerReader, KeepsLittleOfALongLine) {
    std::string totals;
    for (int i = 0; i < 100000; ++i)
        totals += i > 0 ? ", 7" : "7";
    LoggedAnswer answer;
    ASSERT_STREQ(name(read("rolls 3#d6 and gets " + totals + ".", answer)), "Answer");
    EXPECT_EQ(answer.totals, std::vector<std::int64_t>(orvik::kMostTotals, 7));
    EXPECT_EQ(answer.totalCount, 100000u);

    const std::string digits(100000, '9');
    ASSERT_STREQ(name(read("rolls a d20 and gets 5, -" + digits + ", " + digits + ".", answer)),
                 "Answer");
    EXPECT_EQ(answer.unreadable, "-" + digits.substr(0, orvik::kMostNamed - 1) + "...");
    EXPECT_EQ(answer.totalCount, 3u);

    // Past the words "rolls " that are tried, a line is said to be untried, not passed over.
    std::string many;
    for (int i = 0; i < orvik::kMostTries; ++i)
        many += "rolls ";
    EXPECT_STREQ(name(read(many + "rolls a d20 and gets 5.", answer)), "Untried");
    EXPECT_STREQ(name(read(many.substr(6) + "rolls a d20 and gets 5.", answer)), "Answer");
}

// The engine writes the sentences: the reader gives back exactly the text rolled and the totals
// the engine kept, whatever stands before the sentence.
TEST(AnswerReader, RoundTripsTheEnginesSentences) {
    struct Row {
        const char* text;
        bool sneak;
    } rows[] = {
        {"d20", false},
        {"1d6", false},
        {"3d6+2-1", false},
        {"d6-10", false},
        {"4#d6-10*2", false},
        {"30#d500+1000", false},
        {"2#d20", false},
        {"3d6 #d8", false},
        {"3 #d6", false},
        {"3x#d6", false},
        {" 3#d6", false},
        {"+3#d6", false},
        {"\t2#d4", false},
        {"d20 to hit", false},
        {"d20 ", false},
        {"d20 and gets 5, 6.", false},
        {"d20 rolls a d8 and gets", false},
        {"2d6 ( sneak attack, +3d6 ) a d8", false},
        {"d8 Dice Error: none", false},
        {"3d6 d8+2", true},
        {"3d6 d8+2 from behind", true},
        {"3d6 2d8+2", true},
        {"2d6 2#d8", true},
        {"2#3d6 d8", true},
        {"+2#d4 d6", true},
        {"3d6  3#d6", true},
        {"d4 d6-20 and gets 3.", true},
        {"d6 d20 ) a d8 and gets", true},
    };
    const char* const prefixes[] = {"", "[12:00] <Bob> ", "Trolls rolls: "};
    for (const Row& r : rows) {
        for (std::uint32_t seed = 1; seed <= 20; ++seed) {
            std::vector<char> data(orvik::host::capacityFor(std::strlen(r.text)), '\0');
            std::memcpy(data.data(), r.text, std::strlen(r.text) + 1);
            orvik::seedRandom(seed);
            orvik::host::RollDice dice;
            if (r.sneak)
                orvik::host::sneakAttackKeepingDice(data.data(), data.size(), dice);
            else
                orvik::host::diceMainKeepingDice(data.data(), data.size(), dice);
            const std::string sentence(data.data());
            ASSERT_EQ(sentence.rfind("rolls ", 0), 0u) << r.text << ": " << sentence;
            const std::vector<std::int64_t> totals(dice.totals, dice.totals + dice.groups);
            for (const char* prefix : prefixes) {
                LoggedAnswer answer;
                const std::string line = prefix + sentence + (seed % 2 == 0 ? "\r" : "");
                ASSERT_STREQ(name(read(line, answer)), "Answer") << '"' << line << '"';
                EXPECT_EQ(answer.text(), r.text) << line;
                EXPECT_EQ(answer.sneak, r.sneak) << line;
                EXPECT_EQ(answer.roll.groups, dice.groups) << line;
                EXPECT_EQ(answer.totals, totals) << line;
            }
        }
    }
}

// Time stamps as chat hosts and IRC clients write them, and what only looks like one.
TEST(Speaker, TimeStamps) {
    struct Row {
        const char* line;
        const char* stamp;  // what is taken as the stamp, blanks after it included
    } rows[] = {
        {"[19:40] <Orvik>", "[19:40] "},
        {"[19:40:12] <Orvik>", "[19:40:12] "},
        {"[7:40]<Orvik>", "[7:40]"},
        {"(19:40) <Orvik>", "(19:40) "},
        {"19:40 <Orvik>", "19:40 "},
        {"19:40:12\t\tOrvik", "19:40:12\t\t"},
        {"[2026-12-09 19:40:12] <Orvik>", "[2026-12-09 19:40:12] "},
        {"2026-12-09 19:40:12\tOrvik\t", "2026-12-09 19:40:12\t"},
        {"2026-12-09T19:40:12.345Z <Orvik>", "2026-12-09T19:40:12.345Z "},
        {"2026-12-09T19:40:12+01:00 <Orvik>", "2026-12-09T19:40:12+01:00 "},
        {"[2026-12-09 19:40:12 +0100] <Orvik>", "[2026-12-09 19:40:12 +0100] "},
        {"Dec 09 19:40:12 <Orvik>", "Dec 09 19:40:12 "},
        {"Dec  9 19:40:12 <Orvik>", "Dec  9 19:40:12 "},
        {"[12/9/2026, 7:40 PM] Orvik:", "[12/9/2026, 7:40 PM] "},
        {"[09.12.26 19:40] Orvik:", "[09.12.26 19:40] "},
        {"[Tue Dec 9 19:40:12 2026] <Orvik>", "[Tue Dec 9 19:40:12 2026] "},
        {"[ 19:40 ] <Orvik>", "[ 19:40 ] "},
        // Not stamps: no time, two times, a name, a bare stamp not ended by a blank, brackets
        // that do not close or do not match, digits too many.
        {"<Orvik>", ""},
        {"[Mallory] <Orvik>", ""},
        {"[19:40 Mallory] <Orvik>", ""},
        {"[19:40 19:41] <Orvik>", ""},
        {"[2026-12-09] <Orvik>", ""},
        {"[19:40 <Orvik>", ""},
        {"[19:40) <Orvik>", ""},
        {"19:40<Orvik>", ""},
        {"19:40: <Orvik>", ""},
        {"123:45 <Orvik>", ""},
        {"19:4 <Orvik>", ""},
        {"Mallory 19:40 <Orvik>", ""},
        {"Mon 19:40 <Orvik>", ""},
        // A bare stamp ends with its time: a name after it is never part of it.
        {"19:40 PM <Orvik>", "19:40 "},
        {"2026-12-09 19:40:12 Dec <Orvik>", "2026-12-09 19:40:12 "},
        {"", ""},
    };
    for (const Row& r : rows) {
        const std::string line = r.line;
        EXPECT_EQ(line.substr(0, orvik::timeStampLength(line)), r.stamp) << line;
    }
}

// Whose answer a line holds: a line counts as the host's only where its mark stands where the
// speaker does. Every forged line here is one a player can type, or a name a player can take.
TEST(Speaker, ForgedAndTrueLines) {
    struct Row {
        const char* line;
        const char* mark;
        bool host;
    } rows[] = {
        // The host's own lines, as logs write them.
        {"[19:30] <Orvik> Ana rolls a d20 and gets 5.", "<Orvik>", true},
        {"<Orvik> Ana rolls a d20 and gets 5.", "<Orvik>", true},
        {"<Orvik> rolls a d20 and gets 5.", "<Orvik>", true},
        {"19:40 <Orvik> Ana rolls a d20 and gets 5.", "<Orvik>", true},
        {"(19:40:12) <Orvik> Ana rolls a d20 and gets 5.", "<Orvik>", true},
        {"[2026-12-09 19:40:12] <Orvik> Ana rolls a d20 and gets 5.", "<Orvik>", true},
        {"2026-12-09 19:40:12\tOrvik\tAna rolls a d20 and gets 5.", "Orvik", true},
        {"2026-12-09T19:40:12Z <Orvik> Ana rolls a d20 and gets 5.", "<Orvik>", true},
        {"Dec 09 19:40:12 <Orvik> Ana rolls a d20 and gets 5.", "<Orvik>", true},
        {"[12/9/2026, 7:40 PM] Orvik: Ana rolls a d20 and gets 5.", "Orvik:", true},
        {"[19:40]<Orvik>  Ana\t rolls a d20 and gets 5.", "<Orvik>", true},
        {"  <Orvik> Ana rolls a d20 and gets 5.", "<Orvik>", true},
        {"* Orvik Ana rolls a d20 and gets 5.", "* Orvik", true},
        {"Orvik: Ana rolls a d20 and gets 5.", "Orvik: ", true},
        {"<Orvik> Ana rolls a d20 and gets 5.", " <Orvik>", true},
        {"[19:30] <Orvik> Cy rolls ( sneak attack, +3d6 ) a d8+2 and gets 14.", "<Orvik>", true},
        {"[19:30] <Orvik> Ana_2 rolls a d20 to hit <Orvik> and gets 5.", "<Orvik>", true},
        // Typed by a player: the mark stands after another speaker.
        {"[19:40] <Mallory> lol <Orvik> Ana rolls a d20 and gets 1.", "<Orvik>", false},
        {"[19:40] <Mallory> <Orvik> Ana rolls a d20 and gets 1.", "<Orvik>", false},
        {"<Mallory> <Orvik> rolls a d20 and gets 1.", "<Orvik>", false},
        {"* Mallory <Orvik> Ana rolls a d20 and gets 1.", "<Orvik>", false},
        {"[19:40] <Mallory> rolls a d20 and gets 1. <Orvik> Ana rolls a d20 and gets 1.", "<Orvik>",
         false},
        {"Mallory: Orvik: Ana rolls a d20 and gets 1.", "Orvik:", false},
        // A player's name that starts with the mark, or a player's name or words that look like a
        // time stamp.
        {"OrvikFan: rolls a d20 and gets 20.", "Orvik", false},
        {"Orvik-bot Ana rolls a d20 and gets 20.", "Orvik", false},
        {"<Orvik>: Ana rolls a d20 and gets 20.", "<Orvik>", false},
        {"[19:40] [19:41] <Orvik> Ana rolls a d20 and gets 1.", "<Orvik>", false},
        {"[19:40] 19:41 <Orvik> Ana rolls a d20 and gets 1.", "<Orvik>", false},
        {"19:40 PM <Orvik> Ana rolls a d20 and gets 1.", "<Orvik>", false},
        {"[Mallory] <Orvik> Ana rolls a d20 and gets 1.", "<Orvik>", false},
        {"Mon 19:40 <Orvik> Ana rolls a d20 and gets 1.", "<Orvik>", false},
        // The host's mark, but more than a name between it and the sentence: words the host
        // may have passed on from a player.
        {"<Orvik> Mallory says Ana rolls a d20 and gets 1.", "<Orvik>", false},
        {"<Orvik> Ana:rolls a d20 and gets 1.", "<Orvik>", false},
        // The mark alone is the speaker's whole field.
        {"<Orvik>Ana rolls a d20 and gets 5.", "<Orvik>", false},
    };
    for (const Row& r : rows) {
        LoggedAnswer answer;
        const std::string line = r.line;
        ASSERT_STREQ(name(read(line, answer)), "Answer") << line;
        EXPECT_EQ(orvik::spokenBy(answer.before, r.mark), r.host) << line << " (" << r.mark << ")";
    }
}

}  // namespace
