#include "cli/Seed.h"

#include <random>

namespace orvik::cli {

std::uint32_t entropySeed() {
#if defined(_WIN32)
    std::random_device source;  // rand_s: the system's generator
#else
    // Named, so that the library cannot choose a processor instruction or a file instead.
    std::random_device source("getentropy");
#endif
    return static_cast<std::uint32_t>(source());
}

}  // namespace orvik::cli
