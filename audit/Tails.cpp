#include "audit/Tails.h"

#include <algorithm>
#include <cmath>

namespace orvik::audit {

namespace {

constexpr double kSqrt2 = 1.4142135623730951;
constexpr double kSqrtTwoPi = 2.5066282746310002;

// lgamma may also store its result's sign in a global: the audit calls it from one thread, and
// the sign here is always +, its arguments being positive.
double logGamma(double x) {
    return std::lgamma(x);  // NOLINT(concurrency-mt-unsafe)
}

}  // namespace

double normalTwoSided(double z) {
    return std::erfc(std::fabs(z) / kSqrt2);
}

double normalBelow(double z) {
    return 0.5 * std::erfc(-z / kSqrt2);
}

// Acklam's rational approximation (relative error 1.2e-9), then one step of Halley's method on
// the exact tail.
double normalAbove(double p) {
    static const double a[] = {-3.969683028665376e+01, 2.209460984245205e+02,
                               -2.759285104469687e+02, 1.383577518672690e+02,
                               -3.066479806614716e+01, 2.506628277459239e+00};
    static const double b[] = {-5.447609879822406e+01, 1.615858368580409e+02,
                               -1.556989798598866e+02, 6.680131188771972e+01,
                               -1.328068155288572e+01};
    static const double c[] = {-7.784894002430293e-03, -3.223964580411365e-01,
                               -2.400758277161838e+00, -2.549732539343734e+00,
                               4.374664141464968e+00,  2.938163982698783e+00};
    static const double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                               3.754408661907416e+00};
    // The lower quantile of q = 1 - p, from whichever tail is nearer.
    const double q = std::min(p, 1.0 - p);
    double z = 0.0;
    if (q < 0.02425) {
        const double t = std::sqrt(-2.0 * std::log(q));
        z = (((((c[0] * t + c[1]) * t + c[2]) * t + c[3]) * t + c[4]) * t + c[5]) /
            ((((d[0] * t + d[1]) * t + d[2]) * t + d[3]) * t + 1.0);
    } else {
        const double u = q - 0.5;
        const double t = u * u;
        z = (((((a[0] * t + a[1]) * t + a[2]) * t + a[3]) * t + a[4]) * t + a[5]) * u /
            (((((b[0] * t + b[1]) * t + b[2]) * t + b[3]) * t + b[4]) * t + 1.0);
    }
    // z is now the lower quantile of q: P(Z <= z) = q.
    const double e = normalBelow(z) - q;
    const double u = e * kSqrtTwoPi * std::exp(z * z / 2.0);
    z -= u / (1.0 + z * u / 2.0);
    return p < 0.5 ? -z : z;
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
        sum += std::exp(a * logH - h - logGamma(a + 1.0));
    }
    return std::min(sum, 1.0);
}

// Newton's method on log P from Wilson and Hilferty's point, the density being the next term of
// the tail's sum; bisection wherever a step would leave the bracket.
double chiSquarePoint(double p, std::int64_t degrees) {
    const double k = static_cast<double>(degrees);
    const double v = 2.0 / (9.0 * k);
    double x = k * std::pow(1.0 - v + normalAbove(p) * std::sqrt(v), 3.0);
    if (!(x > 0.0)) x = k * 1e-3;
    double low = 0.0;
    double high = HUGE_VAL;
    const double logP = std::log(p);
    for (int step = 0; step < 200; ++step) {
        const double tail = chiSquareAbove(x, degrees);
        if (tail > p)
            low = x;
        else
            high = x;
        // The density at x: e^(-x/2) x^(k/2-1) / (2^(k/2) G(k/2)).
        const double logDensity =
            (k / 2.0 - 1.0) * std::log(x) - x / 2.0 - (k / 2.0) * std::log(2.0) - logGamma(k / 2.0);
        // d log P / dx = -density / P.
        const double slope = -std::exp(logDensity) / tail;
        double next = x - (std::log(tail) - logP) / slope;
        if (!(next > low && next < high) || !std::isfinite(next))
            next = std::isfinite(high) ? (low + high) / 2.0 : 2.0 * x + 1.0;
        if (std::fabs(next - x) <= 1e-13 * x) return next;
        x = next;
    }
    return x;
}

double gammaBelow(double a, double x) {
    if (!(x > 0.0)) return 0.0;
    const double logFront = a * std::log(x) - x - logGamma(a);
    if (x < a + 1.0) {
        // The series sum x^k / ((a)(a+1)...(a+k)), each term smaller than the last.
        double term = 1.0 / a;
        double sum = term;
        for (int k = 1; k < 100000 && term > sum * 1e-16; ++k) {
            term *= x / (a + k);
            sum += term;
        }
        return std::min(1.0, sum * std::exp(logFront));
    }
    // The upper tail's continued fraction (modified Lentz).
    constexpr double kTiny = 1e-300;
    double b = x + 1.0 - a;
    double c = 1.0 / kTiny;
    double d = 1.0 / b;
    double h = d;
    for (int i = 1; i < 100000; ++i) {
        const double an = -i * (i - a);
        b += 2.0;
        d = an * d + b;
        if (std::fabs(d) < kTiny) d = kTiny;
        c = b + an / c;
        if (std::fabs(c) < kTiny) c = kTiny;
        d = 1.0 / d;
        const double step = d * c;
        h *= step;
        if (std::fabs(step - 1.0) < 1e-16) break;
    }
    return std::max(0.0, 1.0 - std::exp(logFront) * h);
}

}  // namespace orvik::audit
