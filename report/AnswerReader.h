// The answer sentence read back, as a game's log holds it: each line that ends with an answer
// sentence gives the roll text the host handed over, recovered from the sentence, and the
// totals. Results.cpp and SneakAttack.cpp write the sentence from the same words
// (report/Sentence.h).
#ifndef ORVIK_REPORT_ANSWERREADER_H
#define ORVIK_REPORT_ANSWERREADER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dice/Parse.h"

namespace orvik {

// One answer read from a line. The views are into that line, valid while it is.
struct LoggedAnswer {
    bool sneak = false;
    std::string_view mainRoll;   // the main roll's text, free text included
    std::string_view sneakDice;  // a sneak attack's sneak dice
    std::string_view before;     // what stands before the sentence on its line
    // The text as the module reads it, so that what is asked of it need not read it again: the
    // main roll, and a sneak attack's sneak dice.
    ParsedRoll roll;
    ParsedRoll sneakRoll;
    // The totals, the first kMostTotals of them; totalCount counts them all.
    std::vector<std::int64_t> totals;
    std::uint64_t totalCount = 0;
    // The first total too long to be any roll's, cut to kMostNamed characters ("..." after),
    // when there is one.
    std::string unreadable;

    // The roll text, as the routine takes it: for a sneak attack "<sneak dice> <main roll>".
    std::string text() const;
    std::size_t textLength() const;
};

// The totals kept of an answer: a roll has at most 30 groups, and an answer with more totals is
// none of its answers, however many more there are.
inline constexpr std::size_t kMostTotals = 30;
// The characters of an unreadable total kept to name it.
inline constexpr std::size_t kMostNamed = 60;
// The words "rolls " tried as the sentence's start in one line: each try may read the rest of
// the line, so that a line of many of them would cost many passes. A line that has more, none of
// whose first ones starts a sentence, is Untried.
inline constexpr int kMostTries = 8;

enum class LogLine {
    Answer,
    DiceError,  // holds "Dice Error:", which names no text
    Refused,    // an answer sentence, but for a text the module answers with a dice error
    Untried,    // ends like an answer, but more than kMostTries "rolls " stand before it
    Other,
};

// Where the totals start in a sentence: after the last " and gets ", since the totals hold none.
std::size_t totalsStart(std::string_view sentence);

// Reads "N, N, N." exactly, each N a number as the module writes one (decimal digits with no
// leading zero, after a '-' for a negative), into answer's totals, in one pass that keeps no more
// than kMostTotals of them and kMostNamed characters of an unreadable one.
bool readTotals(std::string_view s, LoggedAnswer& answer);

// Reads one line of a log (without its line end). A line holds an answer when it ends with one,
// trailing blanks aside: "rolls " at the start or after a character that is not a letter or
// digit, then the sentence of a text the module can roll, " and gets ", the totals and ".".
LogLine readLogLine(const char* line, std::size_t length, LoggedAnswer& answer);

}  // namespace orvik

#endif  // ORVIK_REPORT_ANSWERREADER_H
