// Where a run's dice start when no seed is given.
#ifndef ORVIK_CLI_SEED_H
#define ORVIK_CLI_SEED_H

#include <cstdint>

namespace orvik::cli {

// A seed from the operating system's entropy source (getrandom on Linux, the system generator on
// Windows), so that runs in the same second differ and none can be guessed from the clock. Throws
// std::exception saying why when the source cannot be read.
std::uint32_t entropySeed();

}  // namespace orvik::cli

#endif  // ORVIK_CLI_SEED_H
