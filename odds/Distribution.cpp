#include "odds/Distribution.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <utility>

namespace orvik::odds {

namespace {

// Two running sums as one vector: the prefix sums in the first lane, the suffix sums in the
// second. Their serial chains then share a pass; each lane's arithmetic is the scalar one.
using Pair = double __attribute__((vector_size(16)));

// Running sums of a die's totals, from the start (prefix) or from the end (suffix), kept as
// unevaluated pairs hi + lo (see twoSum), so that the difference of two of them, which is a
// window's sum, is nearly as exact as the window's own terms. Only the sums the current block of
// new totals reads are held, those at [base, done]: a few thousand, which stay in cache, where
// sums of all the totals would be as much memory again as the totals themselves.
struct Scan {
    std::unique_ptr<double[]> hi, lo;  // hi[i - base]; left uninitialised, written before read
    std::size_t base = 0, done = 0;
    double sumHi = 0.0, sumLo = 0.0;

    explicit Scan(std::size_t capacity) : hi(new double[capacity]), lo(new double[capacity]) {}

    void restart() {
        base = done = 0;
        hi[0] = lo[0] = sumHi = sumLo = 0.0;
    }
    void dropBelow(std::size_t from) {
        std::copy(&hi[from - base], &hi[done - base + 1], &hi[0]);
        std::copy(&lo[from - base], &lo[done - base + 1], &lo[0]);
        base = from;
    }
    void add(double x) {
        twoSum(sumHi, sumLo, x);
        ++done;
        hi[done - base] = sumHi;
        lo[done - base] = sumLo;
    }
};

// Runs the prefix sums of cur on to index prefixTo and its suffix sums to suffixTo.
void advance(Scan& prefix, Scan& suffix, const double* cur, std::size_t size, std::size_t prefixTo,
             std::size_t suffixTo) {
    const std::size_t prefixSteps = prefixTo > prefix.done ? prefixTo - prefix.done : 0;
    const std::size_t suffixSteps = suffixTo > suffix.done ? suffixTo - suffix.done : 0;
    // Side by side while both run: the same operations on each, in the same order.
    const std::size_t both = std::min(prefixSteps, suffixSteps);
    Pair hi{prefix.sumHi, suffix.sumHi}, lo{prefix.sumLo, suffix.sumLo};
    double* const prefixHi = &prefix.hi[prefix.done + 1 - prefix.base];
    double* const prefixLo = &prefix.lo[prefix.done + 1 - prefix.base];
    double* const suffixHi = &suffix.hi[suffix.done + 1 - suffix.base];
    double* const suffixLo = &suffix.lo[suffix.done + 1 - suffix.base];
    const double* const ahead = cur + prefix.done;
    const std::size_t behind = size - 1 - suffix.done;  // unused unless both > 0
    for (std::size_t k = 0; k < both; ++k) {
        twoSum(hi, lo, Pair{ahead[k], cur[behind - k]});
        prefixHi[k] = hi[0];
        prefixLo[k] = lo[0];
        suffixHi[k] = hi[1];
        suffixLo[k] = lo[1];
    }
    prefix.done += both;
    suffix.done += both;
    prefix.sumHi = hi[0];
    prefix.sumLo = lo[0];
    suffix.sumHi = hi[1];
    suffix.sumLo = lo[1];
    while (prefix.done < prefixTo)
        prefix.add(cur[prefix.done]);
    while (suffix.done < suffixTo)
        suffix.add(cur[size - 1 - suffix.done]);
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
               std::ptrdiff_t length, Bounds at, double q, double scale) {
    constexpr std::ptrdiff_t kStep = kPrefix ? 1 : -1;
    for (std::ptrdiff_t k = 0; k < length; ++k) {
        const std::ptrdiff_t b = at.b + (kB ? kStep * k : 0);
        const std::ptrdiff_t all = at.all + (kAll ? kStep * k : 0);
        const std::ptrdiff_t extra = at.extra + (kExtra ? kStep * k : 0);
        // The suffix sums run from the end: there the window's sum is suffix(a) - suffix(b).
        if constexpr (kPrefix)
            out[k] = (q * between(hi, lo, all, b) + between(hi, lo, extra, b)) * scale;
        else
            out[k] = (q * between(hi, lo, b, all) + between(hi, lo, b, extra)) * scale;
    }
}

using WindowRun = void (*)(const double*, const double*, double*, std::ptrdiff_t, Bounds, double,
                           double);

template <bool kPrefix, std::size_t... kMoves>
constexpr std::array<WindowRun, 8> windowRuns(std::index_sequence<kMoves...>) {
    return {&windowRun<kPrefix, (kMoves & 4) != 0, (kMoves & 2) != 0, (kMoves & 1) != 0>...};
}

// The new totals t in [begin, end), into out[t - begin]. Bound x of next[t] is clamp(t + 1 - c, 0,
// size), with c = 0 for b, n for all and r for extra; between the points where one of them starts
// or stops moving, the range goes to a run with the steps fixed.
template <bool kPrefix>
void windows(const Scan& sums, double* out, std::size_t begin, std::size_t end, std::size_t size,
             std::size_t n, std::size_t r, double q, double scale) {
    static constexpr std::array<WindowRun, 8> kRuns =
        windowRuns<kPrefix>(std::make_index_sequence<8>());
    std::array<std::size_t, 6> cuts{n, r, size, size + n, size + r, end};
    std::sort(cuts.begin(), cuts.end());
    const auto base = static_cast<std::ptrdiff_t>(sums.base);
    const auto bound = [size, base](std::size_t t, std::size_t c) {
        const std::size_t x = std::min(t + 1 > c ? t + 1 - c : 0, size);
        return static_cast<std::ptrdiff_t>(kPrefix ? x : size - x) - base;
    };
    // Moving at t: t + 1 - c is in [1, size].
    const auto moves = [size](std::size_t t, std::size_t c) { return c <= t && t < c + size; };
    std::size_t t = begin;
    for (const std::size_t cut : cuts) {
        if (cut <= t) continue;
        const std::size_t stop = std::min(cut, end);
        const std::size_t run =
            (moves(t, 0) ? 4u : 0u) + (moves(t, n) ? 2u : 0u) + (moves(t, r) ? 1u : 0u);
        kRuns[run](sums.hi.get(), sums.lo.get(), out + (t - begin),
                   static_cast<std::ptrdiff_t>(stop - t),
                   Bounds{bound(t, 0), bound(t, n), bound(t, r)}, q, scale);
        t = stop;
        if (t == end) break;
    }
}

}  // namespace

std::int32_t faceCount(std::int32_t sides, std::int32_t face) {
    return kOutputs / sides + (face - 1 < kOutputs % sides ? 1 : 0);
}

void addDice(Distribution& totals, std::int32_t count, std::int32_t sides, Faces faces) {
    if (sides < 1) throw std::invalid_argument("a die needs at least one side");
    if (count <= 0) return;
    const auto n = static_cast<std::size_t>(sides);
    // Faces 1 to r come up q + 1 times in kOutputs, the others q times; ideal dice's each once in
    // sides.
    const bool ideal = faces == Faces::Ideal;
    const double q = ideal ? 1 : kOutputs / sides;
    const auto r = static_cast<std::size_t>(ideal ? 0 : kOutputs % sides);
    // A power of two for Orvik's dice: exact.
    const double scale = 1.0 / (ideal ? sides : kOutputs);

    // The new totals replace the old ones in place: the running sums take each old total in
    // before the new totals over it are written.
    std::vector<double>& cur = totals.probability;
    const std::size_t finalSize = cur.size() + static_cast<std::size_t>(count) * (n - 1);
    cur.reserve(finalSize);
    // New totals are made in blocks of kBlock from each end, each block reading the sums
    // within n of it.
    constexpr std::size_t kBlock = 2048;
    const std::size_t capacity = std::min(kBlock, finalSize) + n + 1;
    Scan prefix(capacity), suffix(capacity);
    // The last n - 1 new totals below the middle, which fall on old totals the suffix sums may
    // not have taken yet: written here, and into place once the die is done.
    const std::unique_ptr<double[]> held(new double[n]);

    for (std::int32_t die = 0; die < count; ++die) {
        const std::size_t size = cur.size();
        const std::size_t grown = size + n - 1;
        cur.resize(grown);
        // New totals below the middle take their windows from the prefix sums, the others from
        // the suffix sums: each tail is then a difference of small sums and keeps its digits.
        const std::size_t split = grown / 2;
        // New total t sums old totals t - f + 1 over the faces f, cur[a, b) with
        // a = t + 1 - width: the prefix sums at [clamp(t + 1 - n), min(t + 1, size)], the suffix
        // sums at size minus those (indices clamped to [0, size]).
        const auto clamped = [size](std::size_t t, std::size_t c) {
            return std::min(t + 1 > c ? t + 1 - c : 0, size);
        };
        // The suffix sums take the old totals from here up.
        const std::size_t heldFrom = clamped(split, n);
        prefix.restart();
        suffix.restart();
        // From the ends in: the prefix blocks [low, lowEnd), the suffix blocks [highBegin, high).
        for (std::size_t low = 0, high = grown; low < split || high > split;) {
            const std::size_t lowEnd = std::min(low + kBlock, split);
            const std::size_t highBegin = high - split > kBlock ? high - kBlock : split;
            if (low < lowEnd) prefix.dropBelow(clamped(low, n));
            if (highBegin < high) suffix.dropBelow(size - clamped(high - 1, 0));
            advance(prefix, suffix, cur.data(), size, low < lowEnd ? clamped(lowEnd - 1, 0) : 0,
                    highBegin < high ? size - clamped(highBegin, n) : 0);
            const std::size_t inPlace = std::clamp(heldFrom, low, lowEnd);
            windows<true>(prefix, cur.data() + low, low, inPlace, size, n, r, q, scale);
            if (inPlace < lowEnd)
                windows<true>(prefix, held.get() + (inPlace - heldFrom), inPlace, lowEnd, size, n,
                              r, q, scale);
            windows<false>(suffix, cur.data() + highBegin, highBegin, high, size, n, r, q, scale);
            low = lowEnd;
            high = highBegin;
        }
        std::copy(held.get(), held.get() + (split - heldFrom), cur.data() + heldFrom);
    }
    totals.lowest += count;
}

}  // namespace orvik::odds
