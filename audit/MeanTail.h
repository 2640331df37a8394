// The mean's p-value: the chance that n totals drawn from the odds sum at least as far from n
// times their mean as the observed ones did, on either side. Exact where the sum's distribution
// is cheap to work out (n convolutions of the table, by repeated squaring); elsewhere the
// saddlepoint approximation of Lugannani and Rice, with Daniels' correction for whole totals,
// whose error is a small share of the p-value itself however far out it lies.
#ifndef ORVIK_AUDIT_MEANTAIL_H
#define ORVIK_AUDIT_MEANTAIL_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvik::audit {

// The most totals the sum of n totals may span for it to be worked out exactly: repeated
// squaring costs about half its square in multiplications (a few hundredths of a second here).
constexpr std::size_t kMostExactSums = 8192;

class MeanTail {
  public:
    // chances[i]: the chance of a total i above the lowest, on any common scale (0 allowed, not
    // all); n: the totals summed (1 or more). Exact where the sum spans at most mostExact totals.
    MeanTail(const std::vector<double>& chances, std::uint64_t n,
             std::size_t mostExact = kMostExactSums);

    // P(|S - n mu| >= |sum - n mu|) for S the sum of n totals' offsets from the lowest, sum the
    // observed one.
    double p(std::uint64_t sum) const;
    // Whether p is exact, rather than the saddlepoint's.
    bool exact() const { return !orMore_.empty(); }
    double mean() const { return mean_; }  // of one total's offset

  private:
    // P(S >= k) and P(S <= k) by the saddlepoint.
    double atLeast(double k) const;
    double atMost(double k) const;

    std::vector<double> chances_;  // normalised, from the lowest offset with a chance
    std::int64_t first_ = 0;       // that offset
    std::int64_t span_ = 1;        // the offsets with a chance are first_ + span_ * i
    std::uint64_t n_;
    double mean_ = 0.0, variance_ = 0.0, skewness_ = 0.0;
    // Exact: P(S >= first_ n + i) and P(S <= first_ n + i), summed from each end.
    std::vector<double> orMore_, orLess_;
};

}  // namespace orvik::audit

#endif  // ORVIK_AUDIT_MEANTAIL_H
