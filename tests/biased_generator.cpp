// The engine's generator with a loaded d20: the same draws, but a 20-sided die shows 20 one time
// in fifteen instead of one in twenty, and spreads the rest over 1 to 19. Every other die is the
// real one's. An audit of a d20 through it must call the dice unfair; one without a d20, fair.
#include "random/RandomInternal.h"

namespace orvik {

namespace {
thread_local std::uint32_t state = 1u;

// Of the 32768 draws, 2185 (1/15 of them, to the nearest draw) make a 20.
constexpr std::uint32_t kDraws = 32768u;
constexpr std::uint32_t kTwenties = (kDraws + 7u) / 15u;

std::int32_t face(std::uint32_t draw, std::int32_t nSides) {
    if (nSides != 20)
        return static_cast<std::int32_t>(draw % static_cast<std::uint32_t>(nSides)) + 1;
    if (draw < kTwenties) return 20;
    return static_cast<std::int32_t>((draw - kTwenties) % 19u) + 1;
}
}  // namespace

void seedRandom(std::uint32_t seed) noexcept {
    state = seed;
}

int nextRandom() noexcept {
    state = state * 22695477u + 1u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

std::int32_t sumOfFaces(std::int32_t nDice, std::int32_t nSides) noexcept {
    std::int32_t total = 0;
    for (std::int32_t d = 0; d < nDice; ++d)
        total += face(static_cast<std::uint32_t>(nextRandom()), nSides);
    return total;
}

std::int32_t drawFaces(std::int32_t nDice, std::int32_t nSides, std::int32_t* faces) noexcept {
    std::int32_t total = 0;
    for (std::int32_t d = 0; d < nDice; ++d) {
        faces[d] = face(static_cast<std::uint32_t>(nextRandom()), nSides);
        total += faces[d];
    }
    return total;
}

std::uint32_t randomState() noexcept {
    return state;
}

}  // namespace orvik
