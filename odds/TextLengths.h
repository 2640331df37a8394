// The lengths of the totals' texts, which decide whether a sentence fits the host's buffer.
#ifndef ORVIK_ODDS_TEXTLENGTHS_H
#define ORVIK_ODDS_TEXTLENGTHS_H

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace orvik::odds {

// The lowest total the module writes.
inline constexpr std::int64_t kLowestTotal = std::numeric_limits<std::int32_t>::min();

// The longest text of a total: "-2147483648".
inline constexpr int kLongest = 11;

// Chances by length of a total's text; [0] is unused.
using ByLength = std::array<double, kLongest + 1>;

// Totals first to last whose decimal texts are all length characters long.
struct LengthRun {
    std::int64_t first;
    std::int64_t last;
    int length;
};

// first to last (first <= last), cut where the length of the totals' text changes.
std::vector<LengthRun> lengthRuns(std::int64_t first, std::int64_t last);

// The lengths a group's texts can take; both 0 when it has none.
struct LengthSpan {
    int shortest = 0;
    int longest = 0;
};

// Hands each run's part of the totals low to high, lowest first, to take(first, last, length).
template <typename Take>
LengthSpan eachRunWithin(const std::vector<LengthRun>& runs, std::int64_t low, std::int64_t high,
                         Take take) {
    LengthSpan span;
    for (const LengthRun& run : runs) {
        const std::int64_t first = std::max(run.first, low);
        const std::int64_t last = std::min(run.last, high);
        if (first > last) continue;
        take(first, last, run.length);
        span.shortest = span.shortest == 0 ? run.length : std::min(span.shortest, run.length);
        span.longest = std::max(span.longest, run.length);
    }
    return span;
}

// One more group's text added to the lengths of the groups before it, counted beyond their
// shortest. before[e]: the chance that the groups so far sum to e more characters than their
// shortest texts, for e up to cap; share[d]: that the new group's text is d longer than its
// shortest, for d up to width. next becomes the same with the new group, cut at cap; the chance
// of passing cap is added to *over when it is given.
void addGroupLengths(const std::vector<double>& before, const double* share, std::size_t width,
                     std::size_t cap, std::vector<double>& next, double* over = nullptr);

}  // namespace orvik::odds

#endif  // ORVIK_ODDS_TEXTLENGTHS_H
