#include "audit/Anytime.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace orvik::audit {

namespace {

// The tilts mixed, in standard deviations of one total per total's unit: a thousandth to a half
// of a standard deviation's shift of the mean, up and down, each equally likely.
constexpr double kTilts[] = {0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5};

double logGamma(double x) {
    return std::lgamma(x);  // NOLINT(concurrency-mt-unsafe): the sign is always +
}

// log((e^a + e^b) / 2), and the like for many, without overflow.
double logMeanExp(const std::vector<double>& logs) {
    const double top = *std::max_element(logs.begin(), logs.end());
    if (!std::isfinite(top)) return top;
    double sum = 0.0;
    for (const double l : logs)
        sum += std::exp(l - top);
    return top + std::log(sum / static_cast<double>(logs.size()));
}

// The Dirichlet-multinomial's chance of the counts over the multinomial's: the predictive chance
// of each total, (a p + seen so far) / (a + all so far), against p.
double logDirichlet(const std::vector<double>& p, const std::vector<std::uint64_t>& counts) {
    const auto a = static_cast<double>(p.size());
    double n = 0.0;
    double log = 0.0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (counts[i] == 0) continue;
        const auto o = static_cast<double>(counts[i]);
        n += o;
        log += logGamma(a * p[i] + o) - logGamma(a * p[i]) - o * std::log(p[i]);
    }
    return log + logGamma(a) - logGamma(a + n);
}

// The tilted odds' chance of the totals over the odds', mixed over kTilts. p: the chances of
// total i (offsets from the lowest), counts[i] of it.
double logTilted(const std::vector<double>& p, const std::vector<std::uint64_t>& counts) {
    double mean = 0.0;
    for (std::size_t i = 0; i < p.size(); ++i)
        mean += p[i] * static_cast<double>(i);
    double variance = 0.0;  // sum of the totals' offsets from the mean
    double n = 0.0;
    double sum = 0.0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const double x = static_cast<double>(i) - mean;
        variance += p[i] * x * x;
        n += static_cast<double>(counts[i]);
        sum += static_cast<double>(counts[i]) * x;
    }
    if (!(variance > 0.0) || n == 0.0) return 0.0;
    std::vector<double> logs;
    for (const double tilt : kTilts) {
        for (const double sign : {1.0, -1.0}) {
            const double t = sign * tilt / std::sqrt(variance);
            // log E[e^(t (X - mean))], shifted by its largest exponent.
            double top = -HUGE_VAL;
            for (std::size_t i = 0; i < p.size(); ++i)
                if (p[i] > 0.0) top = std::max(top, t * (static_cast<double>(i) - mean));
            double s = 0.0;
            for (std::size_t i = 0; i < p.size(); ++i)
                if (p[i] > 0.0) s += p[i] * std::exp(t * (static_cast<double>(i) - mean) - top);
            logs.push_back(t * sum - n * (top + std::log(s)));
        }
    }
    return logMeanExp(logs);
}

}  // namespace

double logEValue(const Odds& odds, const Observed& observed) {
    const std::vector<double>& chances = odds.results.totals.probability;
    const double error = odds.results.errorProbability;
    const bool refusals = observed.refusalsCount && error > 0.0;
    // The classes: every total that can be a result, and the refusals where they count.
    std::vector<double> p;
    std::vector<double> results;
    std::vector<std::uint64_t> counts;
    double resultsChance = 0.0;
    for (const double chance : chances)
        resultsChance += chance;
    for (std::size_t i = 0; i < chances.size(); ++i) {
        results.push_back(chances[i] / resultsChance);
        if (!(chances[i] > 0.0)) continue;
        p.push_back(refusals ? chances[i] : chances[i] / resultsChance);
        counts.push_back(observed.counts[i]);
    }
    if (refusals) {
        p.push_back(error);
        counts.push_back(observed.refused);
    }
    if (p.size() < 2) return 0.0;
    // The tilts leave refusals alone: each weighs a refused answer by 1.
    return logMeanExp({logDirichlet(p, counts), logTilted(results, observed.counts)});
}

double eValueOf(double logE) {
    if (logE >= std::log(std::numeric_limits<double>::max()))
        return std::numeric_limits<double>::max();
    return std::exp(logE);
}

}  // namespace orvik::audit
