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

struct LoggedAnswer {
    // The roll text, free text included; for a sneak attack "<sneak dice> <main roll>", as the
    // sneak attack routine takes it.
    std::string text;
    bool sneak = false;
    // The text as the module reads it, so that what is asked of it need not read it again: the
    // main roll, and a sneak attack's sneak dice.
    ParsedRoll roll;
    ParsedRoll sneakRoll;
    std::vector<std::int64_t> totals;
    std::string unreadable;  // a total too long to be any roll's, when there is one
};

enum class LogLine {
    Answer,
    DiceError,  // holds "Dice Error:", which names no text
    Refused,    // an answer sentence, but for a text the module answers with a dice error
    Other,
};

// Where the totals start in a sentence: after the last " and gets ", since the totals hold none.
std::size_t totalsStart(std::string_view sentence);

// Reads "N, N, N." exactly, each N a number as the module writes one (decimal digits with no
// leading zero, after a '-' for a negative), into answer's totals.
bool readTotals(std::string_view s, LoggedAnswer& answer);

// Reads one line of a log (without its line end). A line holds an answer when it ends with one,
// trailing blanks aside: "rolls " at the start or after a character that is not a letter or
// digit, then the sentence of a text the module can roll, " and gets ", the totals and ".".
LogLine readLogLine(const char* line, std::size_t length, LoggedAnswer& answer);

}  // namespace orvik

#endif  // ORVIK_REPORT_ANSWERREADER_H
