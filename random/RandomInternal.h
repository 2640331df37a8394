// The generator's single step and its raw state. The engine's own checks need them to follow the
// generator draw by draw; they are not installed, so programs that use Orvik cannot depend on them.
#ifndef ORVIK_RANDOM_RANDOMINTERNAL_H
#define ORVIK_RANDOM_RANDOMINTERNAL_H

#include <cstdint>

#include "random/DiceRandom.h"

namespace orvik {

// Steps the calling thread's state and returns bits 16 to 30 of the new state (0 to 32767).
int nextRandom() noexcept;

// The calling thread's state. sumOfFaces leaves it exactly where nDice calls of nextRandom would.
std::uint32_t randomState() noexcept;

// The outputs' lowest bit, bit 16 of the state, repeats every 2^17 draws: bit k of a state stepped
// by an odd multiplier and an odd increment modulo 2^32 has period 2^(k+1). The odds take
// successive draws as independent, so what this pattern can do to a roll is said, not hidden.
inline constexpr int kLowestBitPeriodLog2 = 17;

}  // namespace orvik

#endif  // ORVIK_RANDOM_RANDOMINTERNAL_H
