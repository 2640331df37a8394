#include "random/DiceRandom.h"

#include "random/FaceRemainder.h"
#include "random/RandomInternal.h"

// SSE2 (every x86-64) takes the lanes two to a register, WebAssembly's SIMD four; elsewhere, or
// with ORVIK_PORTABLE_LANES (which the tests use to check that path too), they are plain integers.
#if defined(__SSE2__) && !defined(ORVIK_PORTABLE_LANES)
#define ORVIK_SSE2_LANES 1  // NOLINT(cppcoreguidelines-macro-usage): a compile-time switch
#include <emmintrin.h>
#elif defined(__wasm_simd128__) && !defined(ORVIK_PORTABLE_LANES)
#define ORVIK_WASM_LANES 1  // NOLINT(cppcoreguidelines-macro-usage): a compile-time switch
#include <wasm_simd128.h>
#endif

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

// Independent lanes break the serial chain of one multiply-add per die, which alone could not beat
// the serial dice floor that the big-roll speed target (bench/targets.h) asks to halve: lane i
// holds draw i + 1, i + 1 + kLanes, ... of the roll, so the faces are the serial ones, only found
// sooner.
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

namespace {

#if defined(ORVIK_SSE2_LANES)

// Each 64-bit half of a register holds one lane's state in its low 32 bits; SSE2 multiplies the
// low 32 bits of each half to a full 64-bit product, so whatever the high bits hold never matters.
std::uint32_t lanesOfFaces(std::uint32_t& s, std::uint32_t blocks, FaceRemainder remainder) {
    __m128i lane[kLanes / 2];
    for (std::size_t i = 0; i < kLanes / 2; ++i) {
        const Jump a = kStart.lane[2 * i];
        const Jump b = kStart.lane[2 * i + 1];
        lane[i] = _mm_set_epi64x(b.mul * s + b.add, a.mul * s + a.add);
    }
    const __m128i strideMul = _mm_set1_epi32(static_cast<int>(kStride.mul));
    const __m128i strideAdd = _mm_set1_epi32(static_cast<int>(kStride.add));
    const __m128i outputMask = _mm_set_epi32(0, 0x7FFF, 0, 0x7FFF);
    const __m128i factor = _mm_set1_epi32(static_cast<int>(remainder.factor()));
    const __m128i sides = _mm_set1_epi32(static_cast<int>(remainder.sides()));
    __m128i sum = _mm_setzero_si128();
    for (;;) {
        for (const __m128i& pair : lane) {
            // The remainder as FaceRemainder takes it: the low 32 bits of factor * r are the
            // fraction, and the high 32 bits of fraction * sides the remainder.
            const __m128i r = _mm_and_si128(_mm_srli_epi32(pair, 16), outputMask);
            const __m128i fraction = _mm_mul_epu32(r, factor);
            sum = _mm_add_epi64(sum, _mm_srli_epi64(_mm_mul_epu32(fraction, sides), 32));
        }
        if (--blocks == 0) break;
        for (__m128i& pair : lane)
            pair = _mm_add_epi32(_mm_mul_epu32(pair, strideMul), strideAdd);
    }
    // Lane kLanes - 1, the last draw, is the high half of the last register.
    alignas(16) std::uint32_t last[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(last), lane[kLanes / 2 - 1]);
    s = last[2];
    alignas(16) std::uint32_t sums[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(sums), sum);
    return sums[0] + sums[2];
}

#elif defined(ORVIK_WASM_LANES)

// Four lanes to a register. WebAssembly has no 32-by-32-bit multiply to a 64-bit product that
// engines make fast (SSE2's code above, compiled for it, ran no faster than plain integers), so
// the remainder is FaceRemainder::narrow's, of 32-bit products alone.
std::uint32_t lanesOfFaces(std::uint32_t& s, std::uint32_t blocks, FaceRemainder remainder) {
    std::uint32_t starts[kLanes];
    for (int i = 0; i < kLanes; ++i)
        starts[i] = kStart.lane[i].mul * s + kStart.lane[i].add;
    v128_t lane[kLanes / 4] = {wasm_v128_load(starts), wasm_v128_load(starts + 4)};
    const v128_t strideMul = wasm_i32x4_splat(static_cast<std::int32_t>(kStride.mul));
    const v128_t strideAdd = wasm_i32x4_splat(static_cast<std::int32_t>(kStride.add));
    const v128_t outputMask = wasm_i32x4_splat(0x7FFF);
    const v128_t factor = wasm_i32x4_splat(static_cast<std::int32_t>(remainder.factor()));
    const v128_t sides = wasm_i32x4_splat(static_cast<std::int32_t>(remainder.sides()));
    const v128_t one = wasm_i32x4_splat(1);
    v128_t sum = wasm_i32x4_splat(0);
    for (;;) {
        for (const v128_t& four : lane) {
            const v128_t r = wasm_v128_and(wasm_u32x4_shr(four, 16), outputMask);
            const v128_t high = wasm_u32x4_shr(wasm_i32x4_mul(r, factor), 16);
            sum = wasm_i32x4_add(
                sum, wasm_u32x4_shr(wasm_i32x4_mul(wasm_i32x4_add(high, one), sides), 16));
        }
        if (--blocks == 0) break;
        for (v128_t& four : lane)
            four = wasm_i32x4_add(wasm_i32x4_mul(four, strideMul), strideAdd);
    }
    // Lane kLanes - 1, the last draw, is the last of the last register.
    s = static_cast<std::uint32_t>(wasm_i32x4_extract_lane(lane[kLanes / 4 - 1], 3));
    return static_cast<std::uint32_t>(
        wasm_i32x4_extract_lane(sum, 0) + wasm_i32x4_extract_lane(sum, 1) +
        wasm_i32x4_extract_lane(sum, 2) + wasm_i32x4_extract_lane(sum, 3));
}

#else

std::uint32_t lanesOfFaces(std::uint32_t& s, std::uint32_t blocks, FaceRemainder remainder) {
    std::uint32_t lane[kLanes];
    for (int i = 0; i < kLanes; ++i)
        lane[i] = kStart.lane[i].mul * s + kStart.lane[i].add;
    std::uint32_t sum = 0;
    for (;;) {
        for (const std::uint32_t at : lane)
            sum += remainder(output(at));
        if (--blocks == 0) break;
        for (std::uint32_t& at : lane)
            at = kStride.mul * at + kStride.add;
    }
    s = lane[kLanes - 1];
    return sum;
}

#endif

// The remainder that turns a draw into a face of nSides.
FaceRemainder remainderFor(std::int32_t nSides) {
    const std::uint32_t sides = static_cast<std::uint32_t>(nSides);
    return sides <= kTableSides ? kFaces.of[sides] : FaceRemainder(sides);
}

// The face the generator's next state gives, stepping s to it.
std::uint32_t nextFace(std::uint32_t& s, FaceRemainder remainder) {
    s = s * kMultiplier + kIncrement;
    return remainder(output(s)) + 1u;
}

}  // namespace

std::int32_t sumOfFaces(std::int32_t nDice, std::int32_t nSides) noexcept {
    if (nDice <= 0) return 0;
    const FaceRemainder remainder = remainderFor(nSides);
    std::uint32_t s = state;
    // Whole blocks of kLanes dice in lanes (they leave s at their last draw), the rest in turn.
    // The lanes sum the remainders alone: each of their faces' ones is added here.
    const std::uint32_t blocks = static_cast<std::uint32_t>(nDice) / kLanes;
    std::uint32_t total = blocks * kLanes;
    if (blocks != 0) total += lanesOfFaces(s, blocks, remainder);
    for (std::uint32_t left = static_cast<std::uint32_t>(nDice) % kLanes; left != 0; --left)
        total += nextFace(s, remainder);
    state = s;
    return static_cast<std::int32_t>(total);
}

std::int32_t drawFaces(std::int32_t nDice, std::int32_t nSides, std::int32_t* faces) noexcept {
    if (nDice <= 0) return 0;
    const FaceRemainder remainder = remainderFor(nSides);
    std::uint32_t s = state;
    std::uint32_t total = 0;
    for (std::int32_t d = 0; d < nDice; ++d) {
        const std::uint32_t face = nextFace(s, remainder);
        faces[d] = static_cast<std::int32_t>(face);
        total += face;
    }
    state = s;
    return static_cast<std::int32_t>(total);
}

std::uint32_t randomState() noexcept {
    return state;
}

}  // namespace orvik
