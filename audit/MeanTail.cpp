#include "audit/MeanTail.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "audit/Tails.h"
#include "odds/Distribution.h"

namespace orvik::audit {

namespace {

constexpr double kInvSqrtTwoPi = 0.3989422804014327;

// a * b, every term a product of chances: no cancellation, so every entry keeps nearly full
// relative precision. Zeros left at either end are dropped, moving first.
std::vector<double> convolve(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> out(a.size() + b.size() - 1, 0.0);
    for (std::size_t i = 0; i < a.size(); ++i) {
        const double x = a[i];
        if (x == 0.0) continue;
        double* o = out.data() + i;
        for (std::size_t j = 0; j < b.size(); ++j)
            o[j] += x * b[j];
    }
    return out;
}

// e^z - 1 - z for |z| <= 1/2, by its series: every term from + - * / alone, so that it is the
// same to the last bit under every maths library.
double expPastLinear(double z) {
    double term = z * z / 2.0;
    double sum = term;
    for (int k = 3; k < 40 && std::fabs(term) > 1e-18 * std::fabs(sum); ++k) {
        term *= z / k;
        sum += term;
    }
    return sum;
}

// One total's cumulants about its mean under the tilt t: the tilted distribution's log scale,
// mean and variance, each of offsets taken from the mean, so that large offsets cost no digits.
struct Tilted {
    double logScale, mean, variance;
};

Tilted tilted(const std::vector<double>& p, double mean, double t) {
    double reach = 0.0;  // the largest |t x|
    for (std::size_t i = 0; i < p.size(); ++i)
        if (p[i] > 0.0) reach = std::max(reach, std::fabs(t * (static_cast<double>(i) - mean)));
    double s0 = 0.0;
    double s1 = 0.0;
    double s2 = 0.0;
    if (reach <= 0.5) {
        // Near the mean the saddlepoint's t y - K(t) is a small difference of small numbers:
        // K(t) = log1p(sum p (e^tx - 1)) keeps it to its last digits, where log(sum p e^tx)
        // left it 1e-10 of itself, moved by the last bit of exp.
        double rest = -1.0;
        double restLow = 0.0;
        for (std::size_t i = 0; i < p.size(); ++i) {
            if (p[i] == 0.0) continue;
            const double x = static_cast<double>(i) - mean;
            const double z = t * x;
            const double grown = p[i] * (z + expPastLinear(z));  // p (e^z - 1)
            const double w = p[i] + grown;
            odds::twoSum(rest, restLow, p[i]);
            odds::twoSum(rest, restLow, grown);
            s0 += w;
            s1 += w * x;
            s2 += w * x * x;
        }
        const double m = s1 / s0;
        return {std::log1p(rest + restLow), m, std::max(s2 / s0 - m * m, 0.0)};
    }
    // Shifted by the largest exponent, so that nothing overflows.
    double top = -HUGE_VAL;
    for (std::size_t i = 0; i < p.size(); ++i)
        if (p[i] > 0.0) top = std::max(top, t * (static_cast<double>(i) - mean));
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (p[i] == 0.0) continue;
        const double x = static_cast<double>(i) - mean;
        const double w = p[i] * std::exp(t * x - top);
        s0 += w;
        s1 += w * x;
        s2 += w * x * x;
    }
    const double m = s1 / s0;
    return {top + std::log(s0), m, std::max(s2 / s0 - m * m, 0.0)};
}

// P(S >= k) for S the sum of n draws from p (offsets 0, 1, ...; mean and variance given), k a
// whole offset above n mean.
double upperTail(const std::vector<double>& p, std::uint64_t n, double mean, double variance,
                 double skewness, double k) {
    const double nn = static_cast<double>(n);
    const auto top = static_cast<double>(p.size() - 1);
    if (k > nn * top) return 0.0;
    if (k == nn * top) return std::exp(nn * std::log(p.back()));
    // Daniels: the saddlepoint of k - 1/2, the tilt's own mean there.
    // k - 1/2 - n mean with n mean's rounding put back (fma), since y is a small difference.
    const double centre = nn * mean;
    const double y = ((k - 0.5 - centre) - std::fma(nn, mean, -centre)) / nn;
    const double z = y * std::sqrt(nn / variance);
    if (z < 0.2) {
        // Near the mean the saddlepoint's two terms cancel: Edgeworth's first term instead.
        return 1.0 - normalBelow(z) +
               kInvSqrtTwoPi * std::exp(-z * z / 2.0) * skewness / (6.0 * std::sqrt(nn)) *
                   (z * z - 1.0);
    }
    // K'(t) = y for t > 0, by Newton's method kept inside a bracket.
    double low = 0.0;
    double high = HUGE_VAL;
    double t = y / variance;
    Tilted at{};
    for (int step = 0; step < 200; ++step) {
        at = tilted(p, mean, t);
        if (at.mean < y)
            low = t;
        else
            high = t;
        double next = t - (at.mean - y) / at.variance;
        if (!(next > low && next < high) || !std::isfinite(next))
            next = std::isfinite(high) ? (low + high) / 2.0 : 2.0 * t + 1.0;
        if (std::fabs(next - t) <= 1e-14 * t) {
            t = next;
            at = tilted(p, mean, t);
            break;
        }
        t = next;
    }
    const double w = std::sqrt(std::max(2.0 * nn * (t * y - at.logScale), 0.0));
    const double u = 2.0 * std::sinh(t / 2.0) * std::sqrt(nn * at.variance);
    const double tail = 0.5 * std::erfc(w / std::sqrt(2.0)) +
                        kInvSqrtTwoPi * std::exp(-w * w / 2.0) * (1.0 / u - 1.0 / w);
    return std::clamp(tail, 0.0, 1.0);
}

}  // namespace

MeanTail::MeanTail(const std::vector<double>& chances, std::uint64_t n, std::size_t mostExact)
    : n_(n) {
    // The offsets with a chance: from the first to the last, every span_-th.
    std::size_t low = 0;
    std::size_t high = chances.size();
    while (low < high && !(chances[low] > 0.0))
        ++low;
    while (high > low && !(chances[high - 1] > 0.0))
        --high;
    first_ = static_cast<std::int64_t>(low);
    std::int64_t span = 0;
    for (std::size_t i = low; i < high; ++i)
        if (chances[i] > 0.0) span = std::gcd(span, static_cast<std::int64_t>(i - low));
    span_ = std::max<std::int64_t>(span, 1);
    double total = 0.0;
    for (std::size_t i = low; i < high; i += static_cast<std::size_t>(span_))
        total += chances[i];
    for (std::size_t i = low; i < high; i += static_cast<std::size_t>(span_))
        chances_.push_back(chances[i] / total);
    // Moments in steps of span_ from first_.
    double m = 0.0;
    for (std::size_t i = 0; i < chances_.size(); ++i)
        m += chances_[i] * static_cast<double>(i);
    double v = 0.0;
    double s = 0.0;
    for (std::size_t i = 0; i < chances_.size(); ++i) {
        const double d = static_cast<double>(i) - m;
        v += chances_[i] * d * d;
        s += chances_[i] * d * d * d;
    }
    mean_ = static_cast<double>(first_) + static_cast<double>(span_) * m;
    variance_ = v;
    skewness_ = v > 0.0 ? s / (v * std::sqrt(v)) : 0.0;

    const std::size_t width = chances_.size() - 1;
    if (n_ == 0 || width == 0 || n_ > mostExact / width) return;
    // The sum of n by repeated squaring.
    std::vector<double> sum{1.0};
    std::vector<double> power = chances_;
    for (std::uint64_t left = n_;;) {
        if (left & 1) sum = convolve(sum, power);
        left >>= 1;
        if (left == 0) break;
        power = convolve(power, power);
    }
    const std::size_t size = sum.size();
    orMore_.resize(size);
    orLess_.resize(size);
    double hi = 0.0;
    double lo = 0.0;
    for (std::size_t i = size; i-- > 0;) {
        odds::twoSum(hi, lo, sum[i]);
        orMore_[i] = std::min(hi + lo, 1.0);
    }
    hi = lo = 0.0;
    for (std::size_t i = 0; i < size; ++i) {
        odds::twoSum(hi, lo, sum[i]);
        orLess_[i] = std::min(hi + lo, 1.0);
    }
}

double MeanTail::p(std::uint64_t sum) const {
    const double nn = static_cast<double>(n_);
    // In steps of span_ from n first_; the sum is a whole number of them.
    const double centre = nn * (mean_ - static_cast<double>(first_)) / static_cast<double>(span_);
    const double at = static_cast<double>(static_cast<std::int64_t>(sum) -
                                          static_cast<std::int64_t>(n_) * first_) /
                      static_cast<double>(span_);
    const double distance = std::fabs(at - centre);
    // The sums as far out as this one, on each side, allowing for the rounding of the centre.
    const double slack = 1e-9 * (1.0 + centre);
    const double upper = std::ceil(centre + distance - slack);
    const double lower = std::floor(centre - distance + slack);
    double p = 0.0;
    if (exact()) {
        const auto size = static_cast<double>(orMore_.size());
        if (upper < size) p += orMore_[static_cast<std::size_t>(std::max(upper, 0.0))];
        if (lower >= 0.0) p += orLess_[static_cast<std::size_t>(std::min(lower, size - 1.0))];
    } else {
        p = atLeast(upper) + atMost(lower);
    }
    return std::min(p, 1.0);
}

double MeanTail::atLeast(double k) const {
    if (k <= 0.0) return 1.0;
    const double m = (mean_ - static_cast<double>(first_)) / static_cast<double>(span_);
    return upperTail(chances_, n_, m, variance_, skewness_, k);
}

double MeanTail::atMost(double k) const {
    const auto top = static_cast<double>(chances_.size() - 1);
    const double nn = static_cast<double>(n_);
    if (k >= nn * top) return 1.0;
    if (k < 0.0) return 0.0;
    // The same tail of the totals turned around.
    std::vector<double> mirrored(chances_.rbegin(), chances_.rend());
    const double m = top - (mean_ - static_cast<double>(first_)) / static_cast<double>(span_);
    return upperTail(mirrored, n_, m, variance_, -skewness_, nn * top - k);
}

}  // namespace orvik::audit
