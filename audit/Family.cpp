#include "audit/Family.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace orvik::audit {

std::uint64_t testsAmong(const std::vector<double>& ps) {
    return static_cast<std::uint64_t>(
        std::count_if(ps.begin(), ps.end(), [](double p) { return !std::isnan(p); }));
}

std::vector<double> holmAdjusted(const std::vector<double>& ps) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < ps.size(); ++i)
        if (!std::isnan(ps[i])) order.push_back(i);
    // Equal p-values come to the same adjusted one in any order: the first of them sets it, and
    // the others, multiplied by less, keep it. So a sort, not a stable one (a third the code).
    std::sort(order.begin(), order.end(),
              [&ps](std::size_t a, std::size_t b) { return ps[a] < ps[b]; });
    std::vector<double> adjusted = ps;
    const auto m = static_cast<double>(order.size());
    double floor = 0.0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const double p = ps[order[k]] * (m - static_cast<double>(k));
        floor = std::max(floor, std::min(p, 1.0));
        adjusted[order[k]] = floor;
    }
    return adjusted;
}

double anytimeWeight(std::uint64_t k) {
    const auto kk = static_cast<double>(k);
    return 1.0 / (kk * (kk + 1.0));
}

}  // namespace orvik::audit
