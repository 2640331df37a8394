// What a roll cannot avoid, written as plainly as possible, to judge the module against.
#ifndef ORVIK_BENCH_FLOORS_H
#define ORVIK_BENCH_FLOORS_H

#include <cstdint>

namespace orvik::bench {

// The serial dice floor: the generator stepped once per die, each face r % sides + 1 with the
// hardware remainder, the faces of each group summed into totals[g].
void serialDice(std::int32_t* totals, int groups, int dice, int sides, std::uint32_t& state);

// The roll floor: one plain roll ("[count]dSIDES{+N|-N}[*N{*N}]", nothing else) answered in data
// with no allocation: copy the text, read its numbers, draw its dice, write the sentence. The
// text must be valid; nothing is checked.
void rollInline(char* data, std::uint32_t& state);

}  // namespace orvik::bench

#endif  // ORVIK_BENCH_FLOORS_H
