// How texts and logs are read as a person means them: roll pieces read as free text, notations
// of other dice programs, and a log file's bytes (its byte-order mark, UTF-16 and its odd ends).
#include <gtest/gtest.h>

#include <string>

#include "features/LogBytes.h"
#include "features/RollText.h"

namespace {

using orvik::features::freeTextNotice;
using orvik::features::LogBytes;
using orvik::features::notationHint;

struct TextCase {
    const char* text;
    bool sneak;
    const char* said;  // "" for nothing
};

TEST(FreeTextNotice, SaysWhatWasReadAsFreeText) {
    const TextCase cases[] = {
        {"2d6 + 3", false, "`+ 3` was read as free text: write `2d6+3`"},
        {"2d6 +3", false, "`+3` was read as free text: write `2d6+3`"},
        {"d20 +5 to hit", false, "`+5` was read as free text: write `d20+5 to hit`"},
        {"2d6 + 3 - 1 fire", false, "`+ 3 - 1` was read as free text: write `2d6+3-1 fire`"},
        {"2d6  *2", false, "`*2` was read as free text: write `2d6*2`"},
        {"2d6*2 +3", false, "`+3` was read as free text: a roll ends at its first space"},
        {"d20 +1001", false, "`+1001` was read as free text: a roll ends at its first space"},
        {"3d6 d8+2", false,
         "`d8+2` was read as free text: a text rolls one roll, and a second only as a sneak "
         "attack's dice"},
        {"3d6 d8 + 2", true, "`+ 2` was read as free text: write `3d6 d8+2`"},
        // What reads as nothing else is said nothing of.
        {"3d6 d8+2", true, ""},
        {"d20 to hit", false, ""},
        {"d20 - the goblin", false, ""},
        {"d20 -", false, ""},
        {"d20 2 times", false, ""},
        {"d20", false, ""},
        {"d20 ", false, ""},
        {"D20 + 3", false, ""},  // refused: the hint's to say
        {"3d6 x", false, ""},
        {"3d6 dagger", false, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(freeTextNotice(c.text, c.sneak), c.said) << c.text;
}

TEST(NotationHint, SaysWhatOrvikTakes) {
    const TextCase cases[] = {
        {"D20", false, "Orvik's d is lower-case: write `d20`"},
        {"2D6+3 fire", false, "Orvik's d is lower-case: write `2d6+3 fire`"},
        {"d%", false, "Orvik has no d%, but d100: write `d100`"},
        {"2D%", false, "Orvik has no d%, but d100: write `2d100`"},
        {"4d6kh3", false,
         "Orvik neither keeps nor drops dice, but sums every die it rolls: write `4d6`"},
        {"2d20kl1 stealth", false,
         "Orvik neither keeps nor drops dice, but sums every die it rolls: write `2d20 stealth`"},
        {"4d6dl1", false,
         "Orvik neither keeps nor drops dice, but sums every die it rolls: write `4d6`"},
        {"4D6k3", false, "Orvik's d is lower-case, and it sums every die it rolls: write `4d6`"},
        {"2d6+ 3", false, "A roll has no space inside it: write `2d6+3`"},
        {"2 d6 fire", false, "A roll has no space inside it: write `2d6 fire`"},
        {"d 20", false, "A roll has no space inside it: write `d20`"},
        {"3D6 d8", true, "Orvik's d is lower-case: write `3d6 d8`"},
        {"3d6 D8+2", true, "Orvik's d is lower-case: write `3d6 d8+2`"},
        // Rolled texts, and refusals none of these mend, get no hint.
        {"d20", false, ""},
        {"2d6 + 3", false, ""},
        {"d501", false, ""},
        {"hello", false, ""},
        {"", false, ""},
        {"D501", false, ""},
        {"3d6", true, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(notationHint(c.text, c.sneak), c.said) << c.text;
}

// The same bytes in any pieces read the same.
std::string readInPieces(const std::string& bytes, std::size_t piece) {
    LogBytes reader;
    std::string out;
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        reader.read(bytes.data() + at, std::min(piece, bytes.size() - at), false, out);
    reader.read(nullptr, 0, true, out);
    return out;
}

std::string utf16le(const std::string& ascii) {
    std::string out;
    for (const char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

TEST(LogBytes, ReadsMarksUtf16AndTheirOddEnds) {
    const std::string line = "<O> Al rolls a d20 and gets 9.";
    const std::string fffd = "\xEF\xBF\xBD";
    const struct {
        const char* name;
        std::string bytes;
        std::string read;
    } cases[] = {
        {"plain", "a\nb\xFF", "a\nb\xFF"},
        {"UTF-8's mark", "\xEF\xBB\xBFx", "x"},
        {"half of UTF-8's mark", "\xEF\xBB", "\xEF\xBB"},
        {"UTF-16LE", "\xFF\xFE" + utf16le(line), line},
        {"UTF-16BE", std::string("\xFE\xFF\0a\0\n", 6), "a\n"},
        {"a pair", std::string("\xFF\xFE\x3C\xD8\xB2\xDF", 6), "\xF0\x9F\x8E\xB2"},
        // The ends the page and the command once read apart: an odd byte, a pair's first unit
        // alone, with a byte after it, and a second unit alone.
        {"an odd byte at the end", "\xFF\xFE" + utf16le(line) + "A", line + fffd},
        {"a first unit alone at the end", "\xFF\xFE" + utf16le(line) + "\x3C\xD8", line + fffd},
        {"a first unit and a byte", "\xFF\xFE" + utf16le(line) + "\x3C\xD8" + "A", line + fffd},
        {"a first unit before another", std::string("\xFF\xFE\x3C\xD8\x41\x00", 6), fffd + "A"},
        {"a second unit alone", std::string("\xFF\xFE\xB2\xDF\x41\x00", 6), fffd + "A"},
        {"the mark alone", "\xFF\xFE", ""},
    };
    for (const auto& c : cases) {
        for (const std::size_t piece :
             {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{1000}})
            EXPECT_EQ(readInPieces(c.bytes, piece), c.read) << c.name << ", pieces of " << piece;
    }
}

}  // namespace
