#include "random/DiceRandom.h"

#include "random/FaceRemainder.h"

namespace orvik {

namespace {
constexpr std::uint32_t kMultiplier = 22695477u;  // 0x15A4E35
constexpr std::uint32_t kIncrement = 1u;

// The state after k steps is mul * state + add (mod 2^32), whatever the state was.
struct Jump {
    std::uint32_t mul;
    std::uint32_t add;
};

constexpr Jump jump(int k) {
    Jump j{1u, 0u};
    for (int i = 0; i < k; ++i) {
        j.mul *= kMultiplier;
        j.add = j.add * kMultiplier + kIncrement;
    }
    return j;
}

// Independent lanes break the serial chain of one multiply-add per die: lane i holds draw
// i + 1, i + 1 + kLanes, ... of the roll, so the faces are the serial ones, only found sooner.
constexpr int kLanes = 8;
constexpr Jump kStride = jump(kLanes);
struct LaneStarts {
    Jump lane[kLanes];
};
constexpr LaneStarts laneStarts() {
    LaneStarts starts{};
    for (int i = 0; i < kLanes; ++i)
        starts.lane[i] = jump(i + 1);
    return starts;
}
constexpr LaneStarts kStart = laneStarts();

// The remainders for every number of sides a roll allows, worked out at compile time, so that no
// roll divides.
constexpr std::uint32_t kTableSides = 500;
struct FaceTable {
    FaceRemainder of[kTableSides + 1];
};
constexpr FaceTable faceTable() {
    FaceTable table{};
    for (std::uint32_t n = 1; n <= kTableSides; ++n)
        table.of[n] = FaceRemainder(n);
    return table;
}
constexpr FaceTable kFaces = faceTable();

std::uint32_t output(std::uint32_t s) {
    return (s >> 16) & 0x7FFFu;
}

// Initial-exec: the module reaches its thread's state with one segment-relative load instead of
// a call to __tls_get_addr. It costs the loader four bytes of static TLS when the module is
// loaded at run time.
#if defined(__ELF__)
#define ORVIK_TLS_MODEL __attribute__((tls_model("initial-exec")))
#else
#define ORVIK_TLS_MODEL
#endif

thread_local std::uint32_t state ORVIK_TLS_MODEL = 1u;
}  // namespace

void seedRandom(std::uint32_t seed) noexcept {
    state = seed;
}

int nextRandom() noexcept {
    // Unsigned arithmetic: the product wraps modulo 2^32 by definition.
    state = state * kMultiplier + kIncrement;
    return static_cast<int>(output(state));
}

std::int32_t sumOfFaces(std::int32_t nDice, std::int32_t nSides) noexcept {
    if (nDice <= 0) return 0;
    const std::uint32_t sides = static_cast<std::uint32_t>(nSides);
    const FaceRemainder remainder = sides <= kTableSides ? kFaces.of[sides] : FaceRemainder(sides);
    std::uint32_t s = state;
    // Each face is its remainder plus one: the ones are added together at the end.
    std::uint32_t total = static_cast<std::uint32_t>(nDice);
    std::uint32_t left = static_cast<std::uint32_t>(nDice);
    if (left >= kLanes) {
        std::uint32_t lane[kLanes];
        for (int i = 0; i < kLanes; ++i)
            lane[i] = kStart.lane[i].mul * s + kStart.lane[i].add;
        for (;;) {
            for (int i = 0; i < kLanes; ++i)
                total += remainder(output(lane[i]));
            left -= kLanes;
            if (left < kLanes) break;
            for (int i = 0; i < kLanes; ++i)
                lane[i] = kStride.mul * lane[i] + kStride.add;
        }
        s = lane[kLanes - 1];
    }
    for (; left != 0; --left) {
        s = s * kMultiplier + kIncrement;
        total += remainder(output(s));
    }
    state = s;
    return static_cast<std::int32_t>(total);
}

std::uint32_t randomState() noexcept {
    return state;
}

}  // namespace orvik
