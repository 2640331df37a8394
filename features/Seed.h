// The seed a run's generator starts from, as every front end reads it: one rule for the command's
// --seed, the JavaScript package's seed() and the page's links.
#ifndef ORVIK_FEATURES_SEED_H
#define ORVIK_FEATURES_SEED_H

#include <cstdint>
#include <string_view>

namespace orvik::features {

// The largest seed: the generator's state is 32 bits.
constexpr std::uint32_t kMostSeed = 4294967295u;

// A seed written as text: decimal digits alone (leading zeros too), 0 to 4294967295, as a roll's
// own numbers are written. No sign, blank, "0x" or exponent: "16" is a seed, "0x10", "+16" and
// "-0" are not, nor is "1e3". False for anything else, seed then left as it was.
bool seedFromText(std::string_view text, std::uint32_t& seed);

// A seed given as a number, as JavaScript gives one: a whole number from 0 to 4294967295, -0
// read as 0. False for a fraction, a negative, NaN, an infinity or a number past 4294967295.
bool seedFromNumber(double value, std::uint32_t& seed);

}  // namespace orvik::features

#endif  // ORVIK_FEATURES_SEED_H
