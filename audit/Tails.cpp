#include "audit/Tails.h"

#include <algorithm>
#include <cmath>

namespace orvik::audit {

double normalTwoSided(double z) {
    return std::erfc(std::fabs(z) / std::sqrt(2.0));
}

// With h = x / 2 and k degrees of freedom, the upper tail is the regularized gamma Q(k/2, h):
//   k even: e^-h (1 + h + h^2/2! + ... + h^(k/2-1)/(k/2-1)!)
//   k odd:  erfc(sqrt h) + e^-h (h^(1/2)/G(3/2) + h^(3/2)/G(5/2) + ... + h^(k/2-1)/G(k/2))
// Each term is formed from its logarithm, so that neither e^-h nor h^j overflows or underflows on
// its own before they meet.
double chiSquareAbove(double x, std::int64_t degrees) {
    if (!(x > 0.0)) return 1.0;
    const double h = x / 2.0;
    const double logH = std::log(h);
    const bool odd = degrees % 2 != 0;
    double sum = odd ? std::erfc(std::sqrt(h)) : 0.0;
    // Terms a = j or j + 1/2, for every a below k/2.
    const std::int64_t terms = odd ? (degrees - 1) / 2 : degrees / 2;
    for (std::int64_t j = 0; j < terms; ++j) {
        const double a = static_cast<double>(j) + (odd ? 0.5 : 0.0);
        // lgamma may also store its result's sign in a global: the audit calls it from one
        // thread, and the sign here is always +.
        sum += std::exp(a * logH - h - std::lgamma(a + 1.0));  // NOLINT(concurrency-mt-unsafe)
    }
    return std::min(sum, 1.0);
}

}  // namespace orvik::audit
