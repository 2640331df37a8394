// Another generator in the engine's place: a module built with it answers every roll in the
// right form, but its dice are not the ones the command rebuilds, which it must notice.
#include "random/RandomInternal.h"

namespace orvik {

namespace {
thread_local std::uint32_t state = 1u;
}  // namespace

void seedRandom(std::uint32_t seed) noexcept {
    state = seed;
}

int nextRandom() noexcept {
    state = state * 1103515245u + 12345u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

std::int32_t sumOfFaces(std::int32_t nDice, std::int32_t nSides) noexcept {
    std::int32_t total = 0;
    for (std::int32_t d = 0; d < nDice; ++d)
        total += nextRandom() % nSides + 1;
    return total;
}

std::int32_t drawFaces(std::int32_t nDice, std::int32_t nSides, std::int32_t* faces) noexcept {
    std::int32_t total = 0;
    for (std::int32_t d = 0; d < nDice; ++d) {
        faces[d] = nextRandom() % nSides + 1;
        total += faces[d];
    }
    return total;
}

std::uint32_t randomState() noexcept {
    return state;
}

}  // namespace orvik
