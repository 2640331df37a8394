// Sums of a distribution's chances over ranges of totals, each taken from the nearer end.
#ifndef ORVIK_ODDS_RANGESUMS_H
#define ORVIK_ODDS_RANGESUMS_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "odds/Distribution.h"

namespace orvik::odds {

// Sums of a distribution's probabilities over ranges of totals, each from the end nearer to it,
// so that a tail's sum keeps its digits however small it is.
class RangeSums {
  public:
    explicit RangeSums(const Distribution& totals)
        : lowest_(totals.lowest),
          below_(totals.probability.size() + 1),
          above_(totals.probability.size() + 1) {
        const std::vector<double>& p = totals.probability;
        const std::size_t n = p.size();
        Sum sum;
        for (std::size_t i = 0; i < n; ++i) {
            twoSum(sum.hi, sum.lo, p[i]);
            below_[i + 1] = sum;
        }
        sum = Sum{};
        for (std::size_t i = n; i-- > 0;) {
            twoSum(sum.hi, sum.lo, p[i]);
            above_[i] = sum;
        }
    }

    // Of the totals first to last that the distribution has.
    double of(std::int64_t first, std::int64_t last) const {
        const auto size = static_cast<std::int64_t>(below_.size()) - 1;
        const std::int64_t a = std::max<std::int64_t>(first - lowest_, 0);
        const std::int64_t b = std::min<std::int64_t>(last - lowest_ + 1, size);
        if (a >= b) return 0.0;
        const auto ia = static_cast<std::size_t>(a), ib = static_cast<std::size_t>(b);
        const double sum =
            below_[ib].hi <= 0.5 ? below_[ib].minus(below_[ia]) : above_[ia].minus(above_[ib]);
        return std::max(sum, 0.0);
    }

  private:
    struct Sum {
        double hi = 0.0, lo = 0.0;
        double minus(const Sum& other) const { return (hi - other.hi) + (lo - other.lo); }
    };
    std::int64_t lowest_;
    std::vector<Sum> below_;  // below_[i]: the sum of the first i probabilities
    std::vector<Sum> above_;  // above_[i]: the sum from the i-th on
};

}  // namespace orvik::odds

#endif  // ORVIK_ODDS_RANGESUMS_H
