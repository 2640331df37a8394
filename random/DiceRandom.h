// The die source: a 32-bit linear congruential generator with a 15-bit output, one state per
// thread. A thread that never seeded starts from state 1.
#ifndef ORVIK_RANDOM_DICERANDOM_H
#define ORVIK_RANDOM_DICERANDOM_H

#include <cstdint>

namespace orvik {

// Sets the calling thread's state.
void seedRandom(std::uint32_t seed) noexcept;

// Steps the calling thread's state and returns bits 16 to 30 of the new state (0 to 32767).
int nextRandom() noexcept;

}  // namespace orvik

#endif  // ORVIK_RANDOM_DICERANDOM_H
