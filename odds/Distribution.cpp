#include "odds/Distribution.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <utility>

namespace orvik::odds {

namespace {

constexpr double kScale = 1.0 / kOutputs;  // a power of two: exact

// Running sums kept as unevaluated pairs hi + lo (see twoSum), so that the difference of two
// of them, which is a window's sum, is nearly as exact as the window's own terms. Left
// uninitialised: every entry is written before it is read, and zeroing them first would only
// touch the memory one more time.
struct Sums {
    std::unique_ptr<double[]> hi, lo;

    explicit Sums(std::size_t n) : hi(new double[n]), lo(new double[n]) {}
};

// Two running sums as one vector: the prefix sums in the first lane, the suffix sums in the
// second. Their serial chains then share a pass; each lane's arithmetic is the scalar one.
using Pair = double __attribute__((vector_size(16)));

inline void twoSum(Pair& hi, Pair& lo, Pair x) {
    const Pair s = hi + x;
    const Pair b = s - hi;
    lo += (hi - (s - b)) + (x - b);
    hi = s;
}

inline double between(const double* hi, const double* lo, std::ptrdiff_t a, std::ptrdiff_t b) {
    return (hi[b] - hi[a]) + (lo[b] - lo[a]);
}

// Where the windows of a run of new totals start, in the running sums: b ends the window, all
// starts the faces' q-fold part, extra the r faces that come up once more.
struct Bounds {
    std::ptrdiff_t b, all, extra;
};

// next[t] for a run of new totals, each bound either fixed or moving by one sum per total
// (forwards in the prefix sums, backwards in the suffix sums). Known at compile time, the steps
// leave the loop with plain strided loads, which the compiler vectorises.
template <bool kPrefix, bool kB, bool kAll, bool kExtra>
void windowRun(const double* __restrict hi, const double* __restrict lo, double* __restrict out,
               std::ptrdiff_t length, Bounds at, double q) {
    constexpr std::ptrdiff_t kStep = kPrefix ? 1 : -1;
    for (std::ptrdiff_t k = 0; k < length; ++k) {
        const std::ptrdiff_t b = at.b + (kB ? kStep * k : 0);
        const std::ptrdiff_t all = at.all + (kAll ? kStep * k : 0);
        const std::ptrdiff_t extra = at.extra + (kExtra ? kStep * k : 0);
        // The suffix sums run from the end: there the window's sum is suffix(a) - suffix(b).
        if constexpr (kPrefix)
            out[k] = (q * between(hi, lo, all, b) + between(hi, lo, extra, b)) * kScale;
        else
            out[k] = (q * between(hi, lo, b, all) + between(hi, lo, b, extra)) * kScale;
    }
}

using WindowRun = void (*)(const double*, const double*, double*, std::ptrdiff_t, Bounds, double);

template <bool kPrefix, std::size_t... kMoves>
constexpr std::array<WindowRun, 8> windowRuns(std::index_sequence<kMoves...>) {
    return {&windowRun<kPrefix, (kMoves & 4) != 0, (kMoves & 2) != 0, (kMoves & 1) != 0>...};
}

// next[t] for t in [begin, end). Bound x of next[t] is clamp(t + 1 - c, 0, size), with c = 0 for
// b, n for all and r for extra; between the points where one of them starts or stops moving, the
// range goes to a run with the steps fixed.
template <bool kPrefix>
void windows(const Sums& sums, double* next, std::size_t begin, std::size_t end, std::size_t size,
             std::size_t n, std::size_t r, double q) {
    static constexpr std::array<WindowRun, 8> kRuns =
        windowRuns<kPrefix>(std::make_index_sequence<8>());
    std::array<std::size_t, 6> cuts{n, r, size, size + n, size + r, end};
    std::sort(cuts.begin(), cuts.end());
    const auto bound = [size](std::size_t t, std::size_t c) {
        const std::size_t x = std::min(t + 1 > c ? t + 1 - c : 0, size);
        return static_cast<std::ptrdiff_t>(kPrefix ? x : size - x);
    };
    // Moving at t: t + 1 - c is in [1, size].
    const auto moves = [size](std::size_t t, std::size_t c) { return c <= t && t < c + size; };
    std::size_t t = begin;
    for (const std::size_t cut : cuts) {
        if (cut <= t) continue;
        const std::size_t stop = std::min(cut, end);
        const std::size_t run =
            (moves(t, 0) ? 4u : 0u) + (moves(t, n) ? 2u : 0u) + (moves(t, r) ? 1u : 0u);
        kRuns[run](sums.hi.get(), sums.lo.get(), next + t, static_cast<std::ptrdiff_t>(stop - t),
                   Bounds{bound(t, 0), bound(t, n), bound(t, r)}, q);
        t = stop;
        if (t == end) break;
    }
}

}  // namespace

std::int32_t faceCount(std::int32_t sides, std::int32_t face) {
    return kOutputs / sides + (face - 1 < kOutputs % sides ? 1 : 0);
}

void addDice(Distribution& totals, std::int32_t count, std::int32_t sides) {
    if (sides < 1) throw std::invalid_argument("a die needs at least one side");
    if (count <= 0) return;
    const auto n = static_cast<std::size_t>(sides);
    // Faces 1 to r come up q + 1 times in kOutputs, the others q times.
    const double q = kOutputs / sides;
    const auto r = static_cast<std::size_t>(kOutputs % sides);

    std::vector<double>& cur = totals.probability;
    const std::size_t finalSize = cur.size() + static_cast<std::size_t>(count) * (n - 1);
    cur.reserve(finalSize);
    std::vector<double> next;
    next.reserve(finalSize);
    // prefix: sums of cur[0, i); suffix: of cur[i, end), as suffix[.. - i]. Each covers at most
    // half of the totals (see split below).
    Sums prefix(finalSize / 2 + 1);
    Sums suffix(finalSize - finalSize / 2 + 1);

    for (std::int32_t die = 0; die < count; ++die) {
        const std::size_t size = cur.size();
        const std::size_t grown = size + n - 1;
        next.resize(grown);
        // New totals below the middle take their windows from the prefix sums, the others from
        // the suffix sums: each tail is then a difference of small sums and keeps its digits.
        const std::size_t split = grown / 2;

        // The prefix sums run over cur[0, prefixEnd); the suffix sums, from the end, over
        // cur[suffixBegin, size), suffix.hi[size - i] being the sum of cur[i, size).
        const std::size_t prefixEnd = std::min(split, size);
        const std::size_t suffixBegin = std::min(split > n - 1 ? split - (n - 1) : 0, size);
        prefix.hi[0] = prefix.lo[0] = suffix.hi[0] = suffix.lo[0] = 0.0;
        // Side by side while both run: the same operations on each, in the same order.
        const std::size_t both = std::min(prefixEnd, size - suffixBegin);
        Pair pairHi{0.0, 0.0}, pairLo{0.0, 0.0};
        for (std::size_t i = 0; i < both; ++i) {
            twoSum(pairHi, pairLo, Pair{cur[i], cur[size - 1 - i]});
            prefix.hi[i + 1] = pairHi[0];
            prefix.lo[i + 1] = pairLo[0];
            suffix.hi[i + 1] = pairHi[1];
            suffix.lo[i + 1] = pairLo[1];
        }
        double hi = pairHi[0], lo = pairLo[0];
        for (std::size_t i = both; i < prefixEnd; ++i) {
            twoSum(hi, lo, cur[i]);
            prefix.hi[i + 1] = hi;
            prefix.lo[i + 1] = lo;
        }
        hi = pairHi[1];
        lo = pairLo[1];
        for (std::size_t i = both; i < size - suffixBegin; ++i) {
            twoSum(hi, lo, cur[size - 1 - i]);
            suffix.hi[i + 1] = hi;
            suffix.lo[i + 1] = lo;
        }

        // next[t] sums cur[t - f + 1] over the faces f: cur[a, b) with a = t + 1 - width.
        windows<true>(prefix, next.data(), 0, split, size, n, r, q);
        windows<false>(suffix, next.data(), split, grown, size, n, r, q);
        cur.swap(next);
    }
    totals.lowest += count;
}

}  // namespace orvik::odds
