// The die source: a 32-bit linear congruential generator with a 15-bit output, one state per
// thread. A thread that never seeded starts from state 1.
#ifndef ORVIK_RANDOM_DICERANDOM_H
#define ORVIK_RANDOM_DICERANDOM_H

#include <cstdint>

namespace orvik {

// Sets the calling thread's state.
void seedRandom(std::uint32_t seed) noexcept;

// The sum of nDice faces of nSides (1 to 500): each face is the generator's next 15-bit output
// (0 to 32767) % nSides + 1, one step per die. No dice (nDice of 0 or below) draw nothing and sum
// to 0.
std::int32_t sumOfFaces(std::int32_t nDice, std::int32_t nSides) noexcept;

// The same draw, with each face also written to faces, in the order drawn: faces must hold nDice
// of them. Returns their sum, and leaves the generator where sumOfFaces would.
std::int32_t drawFaces(std::int32_t nDice, std::int32_t nSides, std::int32_t* faces) noexcept;

}  // namespace orvik

#endif  // ORVIK_RANDOM_DICERANDOM_H
