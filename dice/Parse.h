// The parse step: what a roll text asks for, judged as the record judges it, without a draw. The
// record's constructor takes this step before it rolls; the odds take it alone. Not installed.
#ifndef ORVIK_DICE_PARSE_H
#define ORVIK_DICE_PARSE_H

#include <cstdint>

namespace orvik {

// The record's five numbers, as its fields hold them after a roll.
struct ParsedRoll {
    std::int32_t groups = 0;
    std::int32_t dice = 0;  // per group, multiplier applied
    std::int32_t sides = 0;
    std::int32_t modifier = 0;    // multiplier applied
    std::int32_t multiplier = 0;  // 0 without a "*" term
};

// Reads text and checks it against the limits, in the record's order, throwing the DiceError the
// record would (std::bad_alloc when memory runs out). hash is the text's first '#', or null when
// it has none.
ParsedRoll parseRoll(const char* text, const char* hash);

// The same, finding the '#' itself.
ParsedRoll parseRoll(const char* text);

// The totals of a parsed roll, one per group, in an array allocated with new[] that the caller
// owns, drawn from the generator group by group and die by die. When faces is not null, every
// face is written there too, group after group: it must hold roll.groups * roll.dice of them.
std::int32_t* rollTotals(const ParsedRoll& roll, std::int32_t* faces);

}  // namespace orvik

#endif  // ORVIK_DICE_PARSE_H
