// The upper tails that turn a test statistic into a p-value. Both are exact formulas evaluated
// with the standard library: the normal tail is erfc, and a chi-square with a whole number of
// degrees of freedom (the only kind a count of classes gives) has a closed form as a finite sum,
// so no series is cut short and no continued fraction has to converge. Beside them, what a
// test's power needs: the points that cut off a tail, and the gamma of any shape.
#ifndef ORVIK_AUDIT_TAILS_H
#define ORVIK_AUDIT_TAILS_H

#include <cstdint>

namespace orvik::audit {

// P(|Z| >= |z|) for a standard normal Z.
double normalTwoSided(double z);

// P(Z <= z) for a standard normal Z.
double normalBelow(double z);

// The z with P(Z >= z) = p, for p in (0, 1); to about 1e-15 of z.
double normalAbove(double p);

// P(X >= x) for X chi-square distributed with degrees (1 or more) degrees of freedom; 1 for x of
// 0 or less. Where the result is a normal double, relative error about 1e-13 up to 1000 degrees,
// growing with them to about 6e-11 at 10^5 (each term's exponent is a difference of numbers near
// degrees/2 log(x/2)); 0 where it is below about 1e-308.
double chiSquareAbove(double x, std::int64_t degrees);

// The x with chiSquareAbove(x, degrees) = p, for p in (0, 1); to about 1e-12 of x.
double chiSquarePoint(double p, std::int64_t degrees);

// P(X <= x) for X gamma distributed with shape a (> 0) and scale 1: the regularized lower
// incomplete gamma, by its series or its continued fraction, to about 1e-11 (its front factor's
// exponent, near a, carries a's rounding).
double gammaBelow(double a, double x);

}  // namespace orvik::audit

#endif  // ORVIK_AUDIT_TAILS_H
