#include "audit/Power.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "audit/Tails.h"
#include "audit/Tests.h"

namespace orvik::audit {

namespace {

constexpr double kInvSqrtTwoPi = 0.3989422804014327;

struct Moments {
    double mean = 0.0, deviation = 0.0;
};

Moments momentsOf(const odds::Distribution& d) {
    double mass = 0.0;
    double first = 0.0;
    for (std::size_t i = 0; i < d.probability.size(); ++i) {
        mass += d.probability[i];
        first += d.probability[i] * static_cast<double>(i);
    }
    const double mean = first / mass;
    double second = 0.0;
    for (std::size_t i = 0; i < d.probability.size(); ++i) {
        const double x = static_cast<double>(i) - mean;
        second += d.probability[i] * x * x;
    }
    return {static_cast<double>(d.lowest) + mean, std::sqrt(second / mass)};
}

// truth's chance at total t.
double chanceAt(const odds::Distribution& truth, std::int64_t t) {
    if (t < truth.lowest || t > truth.highest()) return 0.0;
    return truth.probability[static_cast<std::size_t>(t - truth.lowest)];
}

// The first three cumulants of a statistic.
struct Cumulants {
    double first = 0.0, second = 0.0, third = 0.0;
};

// P(Y < y) for Y with cumulants c, as Pearson's chi-square shifted and scaled to match all three
// (a normal where there is no skew to match).
double pearsonBelow(double y, const Cumulants& c) {
    if (!(c.second > 0.0)) return y > c.first ? 1.0 : 0.0;
    const double h =
        c.third > 0.0 ? 8.0 * c.second * c.second * c.second / (c.third * c.third) : HUGE_VAL;
    if (!(h < 1e8)) return normalBelow((y - c.first) / std::sqrt(c.second));
    const double x = h + (y - c.first) * std::sqrt(2.0 * h / c.second);
    return gammaBelow(h / 2.0, x / 2.0);
}

// The cumulants of Pearson's statistic over classes (their expected counts of n totals under
// the odds) for totals drawn with chances truth, from the statistic as a quadratic form of the
// nearly normal counts: with p the classes' chances under the odds, q under truth, A = diag(1/p),
// S the counts' covariance per total (diag(q) - q q') and d = q - p, the r-th cumulant is
// 2^(r-1) (r-1)! (tr((A S)^r) + r n d' A (S A)^(r-1) d). A S is a diagonal less a rank-one
// matrix, so each trace is a few sums.
Cumulants spreadCumulants(const std::vector<FitClass>& classes, const odds::Distribution& truth,
                          double n) {
    double sm = 0.0;
    double sm2 = 0.0;
    double sm3 = 0.0;
    double qm = 0.0;
    double qm2 = 0.0;
    double qm3 = 0.0;
    double lambda = 0.0;
    double qb = 0.0;
    double qb2 = 0.0;
    std::vector<double> q;
    std::vector<double> b;
    for (const FitClass& c : classes) {
        double chance = 0.0;
        for (std::int64_t t = c.from; t <= c.to; ++t)
            chance += chanceAt(truth, t);
        const double p = c.expected / n;
        const double m = chance / p;
        sm += m;
        sm2 += m * m;
        sm3 += m * m * m;
        qm += chance * m;
        qm2 += chance * m * m;
        qm3 += chance * m * m * m;
        const double d = chance - p;
        lambda += d * d / p;
        q.push_back(chance);
        b.push_back(d / p);
        qb += chance * (d / p);
        qb2 += chance * (d / p) * (d / p);
    }
    double bsasb = 0.0;  // (S b)' A (S b)
    for (std::size_t i = 0; i < classes.size(); ++i) {
        const double sb = q[i] * (b[i] - qb);
        bsasb += sb * sb / (classes[i].expected / n);
    }
    const double trace1 = sm - qm;
    const double trace2 = sm2 - 2.0 * qm2 + qm * qm;
    const double trace3 = sm3 - 3.0 * qm3 + 3.0 * qm2 * qm - qm * qm * qm;
    return {trace1 + n * lambda, 2.0 * (trace2 + 2.0 * n * (qb2 - qb * qb)),
            8.0 * (trace3 + 3.0 * n * bsasb)};
}

// The chance that neither test reaches its line: |z| >= zLine for the mean's z, a normal of mean
// shift and deviation scale; the chi-square >= xLine, the chi-square being z squared plus a part
// apart from it, of cumulants rest.
double passChance(double shift, double scale, double zLine, double xLine, const Cumulants& rest) {
    // Simpson's rule over the z that pass, where their density is not negligible.
    const double edge = std::min(zLine, std::sqrt(xLine));
    const double low = std::max(-edge, shift - 9.0 * scale);
    const double high = std::min(edge, shift + 9.0 * scale);
    if (!(low < high)) return 0.0;
    constexpr int kSteps = 96;
    const double h = (high - low) / kSteps;
    double sum = 0.0;
    for (int i = 0; i <= kSteps; ++i) {
        const double z = low + h * i;
        const double u = (z - shift) / scale;
        const double density = kInvSqrtTwoPi * std::exp(-u * u / 2.0) / scale;
        const double weight = (i == 0 || i == kSteps) ? 1.0 : (i % 2 == 1 ? 4.0 : 2.0);
        sum += weight * density * pearsonBelow(xLine - z * z, rest);
    }
    return std::clamp(sum * h / 3.0, 0.0, 1.0);
}

}  // namespace

bool catchKnown(const Odds& odds) {
    return odds.results.errorProbability == 0.0 && !odds.results.tooLong && !odds.results.tooLow &&
           odds.results.totals.probability.size() > 1;
}

odds::Distribution biasedTotals(const Odds& odds, const Bias& bias) {
    odds::Distribution totals = odds.results.totals;
    if (bias.kind == Bias::Kind::Shift) {
        totals.lowest += bias.shift;
        return totals;
    }
    // The other dice as they are, then the biased die: its faces' chances, the face weighed.
    odds::Distribution rest;
    if (odds.sneak) addPart(rest, odds.sneakDice);
    odds::addDice(rest, odds.roll.dice - 1, odds.roll.sides, odds.roll.faces);
    rest.lowest += odds.roll.modifier;
    const std::int32_t sides = odds.roll.sides;
    std::vector<double> die(static_cast<std::size_t>(sides));
    double sum = 0.0;
    for (std::int32_t f = 1; f <= sides; ++f) {
        const double count =
            odds.roll.faces == odds::Faces::Ideal ? 1.0 : odds::faceCount(sides, f);
        die[static_cast<std::size_t>(f - 1)] = count * (f == bias.face ? bias.times : 1.0);
        sum += die[static_cast<std::size_t>(f - 1)];
    }
    odds::Distribution out;
    out.lowest = rest.lowest + 1;
    out.probability.assign(rest.probability.size() + die.size() - 1, 0.0);
    for (std::size_t i = 0; i < rest.probability.size(); ++i)
        for (std::size_t f = 0; f < die.size(); ++f)
            out.probability[i + f] += rest.probability[i] * die[f] / sum;
    return out;
}

double chanceToCatch(const Odds& odds, const odds::Distribution& truth, std::uint64_t n) {
    const odds::Distribution& null = odds.results.totals;
    if (n == 0) return 0.0;
    // Totals the odds do not allow are caught at once: the chance that none comes, and the
    // chances of the others among themselves.
    double possible = 0.0;
    odds::Distribution allowed{null.lowest, std::vector<double>(null.probability.size(), 0.0)};
    for (std::size_t i = 0; i < null.probability.size(); ++i) {
        if (!(null.probability[i] > 0.0)) continue;
        allowed.probability[i] = chanceAt(truth, null.lowest + static_cast<std::int64_t>(i));
        possible += allowed.probability[i];
    }
    const double nn = static_cast<double>(n);
    const double noneImpossible = std::exp(nn * std::log1p(-std::min(1.0 - possible, 1.0)));
    if (!(possible > 0.0)) return 1.0;
    for (double& p : allowed.probability)
        p /= possible;

    const Moments before = momentsOf(null);
    const Moments after = momentsOf(allowed);
    const std::vector<FitClass> classes = pooledClasses(null, nn, nullptr);
    const bool meanDone = n >= kFewestForMean && before.deviation > 0.0;
    const bool fitDone = classes.size() >= 2 && classes.front().expected >= kFewestExpected &&
                         classes.back().expected >= kFewestExpected;
    if (!meanDone && !fitDone) return 1.0 - noneImpossible;
    const double line = meanDone && fitDone ? kUnlikely / 2.0 : kUnlikely;
    const double shift =
        meanDone ? (after.mean - before.mean) * std::sqrt(nn) / before.deviation : 0.0;
    const double scale = meanDone ? after.deviation / before.deviation : 1.0;
    const double zLine = normalAbove(line / 2.0);
    const auto below = [&](double z) { return normalBelow((z - shift) / scale); };
    double pass = 0.0;
    if (!fitDone) {
        pass = below(zLine) - below(-zLine);
    } else {
        const double xLine = chiSquarePoint(line, static_cast<std::int64_t>(classes.size()) - 1);
        const Cumulants all = spreadCumulants(classes, allowed, nn);
        if (!meanDone) {
            pass = pearsonBelow(xLine, all);
        } else {
            // The mean's part of the chi-square is z squared, whose cumulants come off.
            const double s2 = scale * scale;
            const double m2 = shift * shift;
            const Cumulants rest{all.first - (s2 + m2),
                                 all.second - (2.0 * s2 * s2 + 4.0 * s2 * m2),
                                 all.third - (8.0 * s2 * s2 * s2 + 24.0 * s2 * s2 * m2)};
            pass = passChance(shift, scale, zLine, xLine, rest);
        }
    }
    return 1.0 - noneImpossible * pass;
}

std::uint64_t totalsToCatch(const Odds& odds, const odds::Distribution& truth, double chance) {
    std::uint64_t low = 0;
    std::uint64_t high = 8;
    while (chanceToCatch(odds, truth, high) < chance) {
        if (high >= kMostCatchTotals) return 0;
        low = high;
        high = std::min(high * 2, kMostCatchTotals);
    }
    // Bisection: low misses, high catches.
    while (high - low > std::max<std::uint64_t>(1, high / 200)) {
        const std::uint64_t middle = low + (high - low) / 2;
        if (chanceToCatch(odds, truth, middle) >= chance)
            high = middle;
        else
            low = middle;
    }
    return high;
}

}  // namespace orvik::audit
