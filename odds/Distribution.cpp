#include "odds/Distribution.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <stdexcept>

namespace orvik::odds {

namespace {

// Running sums kept as unevaluated pairs hi + lo (see twoSum), so that the difference of two
// of them, which is a window's sum, is nearly as exact as the window's own terms. Left
// uninitialised: every entry is written before it is read, and zeroing them first would only
// touch the memory one more time.
struct Sums {
    std::unique_ptr<double[]> hi, lo;

    explicit Sums(std::size_t n) : hi(new double[n]), lo(new double[n]) {}
    double between(std::size_t a, std::size_t b) const { return (hi[b] - hi[a]) + (lo[b] - lo[a]); }
};

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
    constexpr double kScale = 1.0 / kOutputs;  // a power of two: exact

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

        const std::size_t prefixEnd = std::min(split, size);
        double hi = 0.0, lo = 0.0;
        prefix.hi[0] = prefix.lo[0] = 0.0;
        for (std::size_t i = 0; i < prefixEnd; ++i) {
            twoSum(hi, lo, cur[i]);
            prefix.hi[i + 1] = hi;
            prefix.lo[i + 1] = lo;
        }
        // suffix.hi[size - i] is the sum of cur[i, size).
        const std::size_t suffixBegin = std::min(split > n - 1 ? split - (n - 1) : 0, size);
        hi = lo = 0.0;
        suffix.hi[0] = suffix.lo[0] = 0.0;
        for (std::size_t i = size; i > suffixBegin; --i) {
            twoSum(hi, lo, cur[i - 1]);
            suffix.hi[size - i + 1] = hi;
            suffix.lo[size - i + 1] = lo;
        }

        // next[t] sums cur[t - f + 1] over the faces f: cur[a, b) with a = t + 1 - width.
        for (std::size_t t = 0; t < split; ++t) {
            const std::size_t b = std::min(t + 1, size);
            const std::size_t all = t + 1 > n ? t + 1 - n : 0;
            const std::size_t extra = std::min(t + 1 > r ? t + 1 - r : 0, b);
            next[t] = (q * prefix.between(all, b) + prefix.between(extra, b)) * kScale;
        }
        for (std::size_t t = split; t < grown; ++t) {
            const std::size_t b = std::min(t + 1, size);
            const std::size_t all = t + 1 > n ? t + 1 - n : 0;
            const std::size_t extra = std::min(t + 1 > r ? t + 1 - r : 0, b);
            // sum of cur[a, b) = suffix(a) - suffix(b), indexed from the end
            next[t] = (q * suffix.between(size - b, size - all) +
                       suffix.between(size - b, size - extra)) *
                      kScale;
        }
        cur.swap(next);
    }
    totals.lowest += count;
}

}  // namespace orvik::odds
