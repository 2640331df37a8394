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
// of each class, (a p + seen so far) / (a + all so far), against p. a: the classes; each(add)
// hands each class seen, add(p, count), in order.
template <typename Each>
double logDirichlet(double a, Each each) {
    double n = 0.0;
    double log = 0.0;
    each([&](double p, std::uint64_t count) {
        const auto o = static_cast<double>(count);
        n += o;
        log += logGamma(a * p + o) - logGamma(a * p) - o * std::log(p);
    });
    return log + logGamma(a) - logGamma(a + n);
}

// The chances of the totals among results alone, lowest first.
std::vector<double> resultChances(const Odds& odds) {
    const std::vector<double>& chances = odds.results.totals.probability;
    double resultsChance = 0.0;
    for (const double chance : chances)
        resultsChance += chance;
    std::vector<double> results;
    results.reserve(chances.size());
    for (const double chance : chances)
        results.push_back(chance / resultsChance);
    return results;
}

// The tilted odds' chance of the totals over the odds', mixed over kTilts. counts[i]: of total i
// (offsets from the lowest).
double logTilted(const AnytimeOdds& tilts, const std::vector<std::uint64_t>& counts) {
    double n = 0.0;
    double sum = 0.0;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        const double x = static_cast<double>(i) - tilts.mean;
        n += static_cast<double>(counts[i]);
        sum += static_cast<double>(counts[i]) * x;
    }
    if (tilts.logMoments.empty() || n == 0.0) return 0.0;
    std::vector<double> logs;
    std::size_t k = 0;
    for (const double tilt : kTilts) {
        for (const double sign : {1.0, -1.0}) {
            const double t = sign * tilt / std::sqrt(tilts.variance);
            logs.push_back(t * sum - n * tilts.logMoments[k++]);
        }
    }
    return logMeanExp(logs);
}

}  // namespace

AnytimeOdds anytimeOddsOf(const Odds& odds) {
    AnytimeOdds tilts;
    for (const double chance : odds.results.totals.probability) {
        tilts.resultsChance += chance;
        if (chance > 0.0) ++tilts.totals;
    }
    const std::vector<double> p = resultChances(odds);
    for (std::size_t i = 0; i < p.size(); ++i)
        tilts.mean += p[i] * static_cast<double>(i);
    for (std::size_t i = 0; i < p.size(); ++i) {
        const double x = static_cast<double>(i) - tilts.mean;
        tilts.variance += p[i] * x * x;
    }
    if (!(tilts.variance > 0.0)) return tilts;
    for (const double tilt : kTilts) {
        for (const double sign : {1.0, -1.0}) {
            const double t = sign * tilt / std::sqrt(tilts.variance);
            // Shifted by its largest exponent.
            double top = -HUGE_VAL;
            for (std::size_t i = 0; i < p.size(); ++i)
                if (p[i] > 0.0) top = std::max(top, t * (static_cast<double>(i) - tilts.mean));
            double s = 0.0;
            for (std::size_t i = 0; i < p.size(); ++i) {
                if (p[i] > 0.0)
                    s += p[i] * std::exp(t * (static_cast<double>(i) - tilts.mean) - top);
            }
            tilts.logMoments.push_back(top + std::log(s));
        }
    }
    return tilts;
}

double logEValue(const Odds& odds, const Observed& observed, const AnytimeOdds* anytime) {
    const AnytimeOdds own = anytime == nullptr ? anytimeOddsOf(odds) : AnytimeOdds{};
    const AnytimeOdds& known = anytime == nullptr ? own : *anytime;
    const std::vector<double>& chances = odds.results.totals.probability;
    const double error = odds.results.errorProbability;
    const bool refusals = observed.refusalsCount && error > 0.0;
    // The classes: every total that can be a result, and the refusals where they count.
    const std::size_t classes = known.totals + (refusals ? 1 : 0);
    if (classes < 2) return 0.0;
    const double dirichlet = logDirichlet(static_cast<double>(classes), [&](const auto& add) {
        for (std::size_t i = 0; i < chances.size(); ++i) {
            if (chances[i] > 0.0 && observed.counts[i] > 0)
                add(refusals ? chances[i] : chances[i] / known.resultsChance, observed.counts[i]);
        }
        if (refusals && observed.refused > 0) add(error, observed.refused);
    });
    // The tilts leave refusals alone: each weighs a refused answer by 1.
    return logMeanExp({dirichlet, logTilted(known, observed.counts)});
}

double eValueOf(double logE) {
    if (logE >= std::log(std::numeric_limits<double>::max()))
        return std::numeric_limits<double>::max();
    return std::exp(logE);
}

}  // namespace orvik::audit
