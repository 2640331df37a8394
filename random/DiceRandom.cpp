#include "random/DiceRandom.h"

namespace orvik {

namespace {
constexpr std::uint32_t kMultiplier = 22695477u;  // 0x15A4E35
constexpr std::uint32_t kIncrement = 1u;

thread_local std::uint32_t state = 1u;
}  // namespace

void seedRandom(std::uint32_t seed) noexcept {
    state = seed;
}

int nextRandom() noexcept {
    // Unsigned arithmetic: the product wraps modulo 2^32 by definition.
    state = state * kMultiplier + kIncrement;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

}  // namespace orvik
