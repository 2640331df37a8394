#include "audit/Simulation.h"

#include <algorithm>
#include <numeric>

namespace orvik::audit {

AliasTable::AliasTable(const std::vector<double>& chances)
    : slots_(chances.size()), threshold_(chances.size(), 0), alias_(chances.size(), 0) {
    // Vose's construction: each slot holds its own class for a share of its draws and one larger
    // class for the rest.
    const double total = std::accumulate(chances.begin(), chances.end(), 0.0);
    std::vector<double> scaled(chances.size());
    std::vector<std::uint32_t> small;
    std::vector<std::uint32_t> large;
    for (std::size_t i = 0; i < chances.size(); ++i) {
        scaled[i] = chances[i] / total * static_cast<double>(slots_);
        (scaled[i] < 1.0 ? small : large).push_back(static_cast<std::uint32_t>(i));
    }
    constexpr double kWhole = 4294967296.0;  // 2^32
    while (!small.empty() && !large.empty()) {
        const std::uint32_t s = small.back();
        const std::uint32_t l = large.back();
        small.pop_back();
        threshold_[s] = static_cast<std::uint64_t>(scaled[s] * kWhole);
        alias_[s] = l;
        scaled[l] = (scaled[l] + scaled[s]) - 1.0;
        if (scaled[l] < 1.0) {
            large.pop_back();
            small.push_back(l);
        }
    }
    // What is left is 1 but for rounding: its own class always.
    for (const std::uint32_t i : large) {
        threshold_[i] = std::uint64_t{1} << 32;
        alias_[i] = i;
    }
    for (const std::uint32_t i : small) {
        threshold_[i] = std::uint64_t{1} << 32;
        alias_[i] = i;
    }
}

std::uint64_t seedOf(const std::vector<std::uint64_t>& counts) {
    SplitMix mix(counts.size());
    std::uint64_t seed = mix.next();
    for (const std::uint64_t c : counts) {
        SplitMix step(seed ^ c);
        seed = step.next();
    }
    return seed;
}

Simulated simulateSpread(const std::vector<double>& expected,
                         const std::vector<std::uint64_t>& observed, std::uint64_t seed,
                         std::uint64_t most, std::uint64_t hits) {
    const std::size_t classes = expected.size();
    const std::uint64_t sample =
        std::accumulate(observed.begin(), observed.end(), std::uint64_t{0});
    std::vector<double> inverse(classes);
    for (std::size_t i = 0; i < classes; ++i)
        inverse[i] = 1.0 / expected[i];
    // Pearson's statistic less a constant: the sum of count^2 / expected. The drawn and the
    // observed alike, in the same order, so that equal counts tie exactly; a statistic within a
    // rounding error of the observed one counts as reaching it, as R's does.
    const auto sumOfSquares = [&](const std::vector<std::uint64_t>& counts) {
        double s = 0.0;
        for (std::size_t i = 0; i < classes; ++i) {
            const auto c = static_cast<double>(counts[i]);
            s += c * c * inverse[i];
        }
        return s;
    };
    const double target = sumOfSquares(observed) * (1.0 - 1e-12);
    const AliasTable table(expected);
    SplitMix random(seed);
    std::vector<std::uint64_t> counts(classes);
    Simulated result;
    while (result.draws < most && result.reached < hits) {
        std::fill(counts.begin(), counts.end(), 0);
        for (std::uint64_t k = 0; k < sample; ++k)
            ++counts[table.draw(random.next())];
        ++result.draws;
        if (sumOfSquares(counts) >= target) ++result.reached;
    }
    result.p = result.reached == hits
                   ? static_cast<double>(hits) / static_cast<double>(result.draws)
                   : static_cast<double>(result.reached + 1) / static_cast<double>(most + 1);
    return result;
}

}  // namespace orvik::audit
