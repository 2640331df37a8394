#include "odds/TextLengths.h"

#include "dice/Decimal.h"

namespace orvik::odds {

namespace {

int lengthOf(std::int64_t total) {
    return static_cast<int>(decimalLength(total));
}

// The first total after `total` whose text may be of another length: 0 after -1, and the powers
// of ten on either side (-99 after -100, 100 after 99).
std::int64_t nextCut(std::int64_t total) {
    std::int64_t power = 10;
    if (total >= 0) {
        while (power <= total)
            power *= 10;
        return power;
    }
    if (total > -10) return 0;
    while (power * 10 <= -total)
        power *= 10;
    return 1 - power;
}

}  // namespace

std::vector<LengthRun> lengthRuns(std::int64_t first, std::int64_t last) {
    std::vector<LengthRun> runs;
    for (std::int64_t start = first; start <= last;) {
        const std::int64_t end = std::min(last, nextCut(start) - 1);
        runs.push_back({start, end, lengthOf(start)});
        start = end + 1;
    }
    return runs;
}

void addGroupLengths(const std::vector<double>& before, const double* share, std::size_t width,
                     std::size_t cap, std::vector<double>& next, double* over) {
    next.assign(std::min(cap, before.size() - 1 + width) + 1, 0.0);
    // Each length in turn over every sum so far: plain loops the compiler vectorises.
    for (std::size_t d = 0; d <= width; ++d) {
        const double chance = share[d];
        if (chance == 0.0) continue;
        const std::size_t kept = std::min(before.size(), next.size() - std::min(d, next.size()));
        for (std::size_t e = 0; e < kept; ++e)
            next[e + d] += before[e] * chance;
        if (over == nullptr) continue;
        double passed = 0.0;
        for (std::size_t e = kept; e < before.size(); ++e)
            passed += before[e];
        *over += passed * chance;
    }
}

}  // namespace orvik::odds
