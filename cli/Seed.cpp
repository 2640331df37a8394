#include "cli/Seed.h"

#include <random>

namespace orvik::cli {

std::uint32_t entropySeed() {
    // Named, so that the library cannot choose a processor instruction instead.
#if defined(_WIN32)
    std::random_device source("rand_s");  // the system's generator
#else
    std::random_device source("getentropy");  // getrandom
#endif
    return static_cast<std::uint32_t>(source());
}

}  // namespace orvik::cli
