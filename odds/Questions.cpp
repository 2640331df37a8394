#include "odds/Questions.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "odds/RangeSums.h"
#include "odds/TextLengths.h"

namespace orvik::odds {

namespace {

// C(n, k) for every k; each product is a whole number below 2^53, so every step is exact.
std::vector<double> binomials(std::int32_t n) {
    std::vector<double> c(static_cast<std::size_t>(n) + 1, 1.0);
    for (std::int32_t k = 1; k < n; ++k)
        c[static_cast<std::size_t>(k)] = c[static_cast<std::size_t>(k) - 1] * (n - k + 1) / k;
    return c;
}

// Unevaluated sums hi + lo (see twoSum), one per count of groups.
struct Sums {
    explicit Sums(std::size_t n) : hi(n, 0.0), lo(n, 0.0) {}
    void add(std::size_t k, double x) { twoSum(hi[k], lo[k], x); }
    double operator[](std::size_t k) const { return hi[k] + lo[k]; }
    std::vector<double> hi, lo;
};

// The chance that exactly k of the groups reach the target, for each k, given the sneak total s
// that they share; given s the groups are independent.
class GivenSneak {
  public:
    GivenSneak(const Odds& odds, const Distribution& main, std::int64_t target)
        : groups_(static_cast<std::size_t>(odds.groups)),
          budget_(odds.budget),
          target_(target),
          main_(main),
          mainLow_(main.lowest),
          mainHigh_(main.highest()),
          choose_(binomials(odds.groups)),
          reachPowers_(groups_ + 1),
          missPowers_(groups_ + 1),
          reaching_(groups_ + 1),
          missing_(groups_ + 1) {
        // Lengths matter only where some sentence can be too long.
        if (odds.results.tooLong) {
            const Distribution& sneak = odds.results.sneakTotals;
            runs_ = lengthRuns(std::max(sneak.lowest + mainLow_, kLowestTotal),
                               sneak.highest() + mainHigh_);
        }
        // One sneak total and no lengths (every plain roll whose sentences fit) asks for two
        // sums, which need no table of them.
        if (odds.results.sneakTotals.probability.size() > 1 || !runs_.empty())
            sums_ = std::make_unique<RangeSums>(main);
    }

    // Sets given[k] for the sneak total s.
    void operator()(std::int64_t s, std::vector<double>& given) {
        std::fill(given.begin(), given.end(), 0.0);
        if (runs_.empty()) {
            independent(s, given);
            return;
        }
        // One group's chances by the length of its text, reaching the target or not, over the
        // totals in the range; a total below it is refused whatever the others are.
        ByLength reach{}, miss{};
        const auto [shortest, longest] = eachRunWithin(
            runs_, s + mainLow_, s + mainHigh_, [&](std::int64_t first, std::int64_t last, int L) {
                const auto length = static_cast<std::size_t>(L);
                if (std::max(first, target_) <= last)
                    reach[length] += of(std::max(first, target_) - s, last - s);
                if (first <= std::min(last, target_ - 1))
                    miss[length] += of(first - s, std::min(last, target_ - 1) - s);
            });
        if (shortest == 0) return;  // every group falls below the range
        const auto groups = static_cast<std::int64_t>(groups_);
        if (groups * longest <= budget_) {
            independent(s, given);  // every sentence fits
            return;
        }
        const std::int64_t room = budget_ - groups * shortest;  // beyond the shortest texts
        if (room < 0) return;
        const auto width = static_cast<std::size_t>(longest - shortest);
        const auto cap = static_cast<std::size_t>(
            std::min<std::int64_t>(room, groups * static_cast<std::int64_t>(width)));
        profiles(&reach[static_cast<std::size_t>(shortest)], width, cap, reaching_);
        profiles(&miss[static_cast<std::size_t>(shortest)], width, cap, missing_);
        for (std::vector<double>& profile : missing_) {  // now: at most that much beyond
            for (std::size_t e = 1; e < profile.size(); ++e)
                profile[e] += profile[e - 1];
        }
        for (std::size_t k = 0; k <= groups_; ++k) {
            const std::vector<double>& a = reaching_[k];
            const std::vector<double>& fits = missing_[groups_ - k];
            double sum = 0.0;
            for (std::size_t e = 0; e < a.size(); ++e) {
                if (a[e] == 0.0) continue;
                const std::size_t left = static_cast<std::size_t>(room) - e;
                sum += a[e] * fits[std::min(left, fits.size() - 1)];
            }
            given[k] = choose_[k] * sum;
        }
    }

  private:
    // The main roll's chance of the totals first to last: from the table of sums, or else added
    // up term by term, which keeps every digit too.
    double of(std::int64_t first, std::int64_t last) const {
        if (sums_) return sums_->of(first, last);
        const auto size = static_cast<std::int64_t>(main_.probability.size());
        const std::int64_t a = std::max<std::int64_t>(first - mainLow_, 0);
        const std::int64_t b = std::min<std::int64_t>(last - mainLow_ + 1, size);
        double hi = 0.0, lo = 0.0;
        for (std::int64_t i = a; i < b; ++i)
            twoSum(hi, lo, main_.probability[static_cast<std::size_t>(i)]);
        return hi + lo;
    }

    // The binomial chances, from the chance that one group reaches the target and the chance
    // that it stays in range and misses, each summed from its own end of the main totals.
    void independent(std::int64_t s, std::vector<double>& given) {
        const std::int64_t reachFirst = std::max(target_, kLowestTotal) - s;
        const std::int64_t missFirst = std::max(kLowestTotal - s, mainLow_);
        const std::int64_t missLast = target_ - 1 - s;
        // A certain outcome is exactly certain, not a sum that rounds near 1.
        const double reach = reachFirst <= mainLow_ ? 1.0 : of(reachFirst, mainHigh_);
        const double miss =
            missFirst == mainLow_ && missLast >= mainHigh_ ? 1.0 : of(missFirst, missLast);
        reachPowers_[0] = missPowers_[0] = 1.0;
        for (std::size_t k = 1; k <= groups_; ++k) {
            reachPowers_[k] = reachPowers_[k - 1] * reach;
            missPowers_[k] = missPowers_[k - 1] * miss;
        }
        for (std::size_t k = 0; k <= groups_; ++k)
            given[k] = choose_[k] * reachPowers_[k] * missPowers_[groups_ - k];
    }

    // out[k][e]: the chance that k groups all take texts of these shares' lengths (share[d]
    // for the shortest + d), summing to k times the shortest + e, for e up to cap.
    void profiles(const double* share, std::size_t width, std::size_t cap,
                  std::vector<std::vector<double>>& out) const {
        out[0].assign(1, 1.0);
        for (std::size_t k = 1; k <= groups_; ++k)
            addGroupLengths(out[k - 1], share, width, cap, out[k]);
    }

    std::size_t groups_;
    std::int64_t budget_;
    std::int64_t target_;
    const Distribution& main_;
    std::int64_t mainLow_, mainHigh_;
    std::unique_ptr<RangeSums> sums_;
    std::vector<double> choose_;
    std::vector<LengthRun> runs_;
    std::vector<double> reachPowers_, missPowers_;
    std::vector<std::vector<double>> reaching_, missing_;
};

// One group's main roll alone: kept in odds, or its totals themselves, or else computed into
// scratch.
const Distribution& mainTotalsOf(const Odds& odds, Distribution& scratch) {
    const Results& results = odds.results;
    if (!results.mainTotals.probability.empty()) return results.mainTotals;
    // A plain roll with nothing refused: its totals are the main roll's own.
    if (!odds.sneak && results.errorProbability == 0.0 && !results.tooLow && !results.tooLong)
        return results.totals;
    scratch = totalsOf(odds.roll);
    return scratch;
}

}  // namespace

TargetOdds targetOdds(const Odds& odds, std::int64_t target) {
    TargetOdds out;
    out.target = target;
    const auto groups = static_cast<std::size_t>(odds.groups);
    out.exactly.assign(groups + 1, 0.0);
    const Distribution& results = odds.results.totals;
    // Every group of every result reaches it, or none does: the groups share one distribution.
    // Then it is the chance of a result, as atLeast gives it.
    if (target <= results.lowest || target > results.highest()) {
        const double result = atLeast(odds).front();
        const bool all = target <= results.lowest;
        out.exactly[all ? groups : 0] = result;
        out.reach = all ? result : 0.0;
        return out;
    }

    Distribution scratch;
    const Distribution& main = mainTotalsOf(odds, scratch);
    GivenSneak given(odds, main, target);
    const Distribution& sneak = odds.results.sneakTotals;
    Sums sums(groups + 1);
    std::vector<double> chances(groups + 1);
    for (std::size_t j = 0; j < sneak.probability.size(); ++j) {
        const double weight = sneak.probability[j];
        if (weight == 0.0) continue;
        given(sneak.lowest + static_cast<std::int64_t>(j), chances);
        for (std::size_t k = 0; k <= groups; ++k)
            sums.add(k, weight * chances[k]);
    }
    Sums reach(1);
    for (std::size_t k = 0; k <= groups; ++k) {
        out.exactly[k] = std::min(sums[k], 1.0);
        reach.add(0, out.exactly[k] * static_cast<double>(k) / static_cast<double>(groups));
    }
    out.reach = std::min(reach[0], 1.0);
    return out;
}

std::vector<double> kOrMore(const Odds& odds, const TargetOdds& reaching) {
    return orMore(reaching.exactly, odds.results.errorProbability);
}

Contest contest(const Odds& a, const Odds& b) {
    // a's totals in turn against P(b's total < t), summed from b's low end as t rises, and
    // against P(b's total > t), summed from its high end as t falls: either keeps its digits when
    // small, and nothing of b's size is allocated.
    const std::vector<double>& pa = a.results.totals.probability;
    const std::vector<double>& pb = b.results.totals.probability;
    const auto sizeB = static_cast<std::int64_t>(pb.size());
    // a's i-th total is b's (i + offset)-th.
    const std::int64_t offset = a.results.totals.lowest - b.results.totals.lowest;
    const auto inB = [&](std::int64_t j) { return j >= 0 && j < sizeB; };
    Sums sums(3);  // greater, equal, less
    Sums running(1);
    std::int64_t counted = 0;  // b's totals below the current one are in running
    for (std::size_t i = 0; i < pa.size(); ++i) {
        const std::int64_t j = static_cast<std::int64_t>(i) + offset;
        for (; counted < std::min(j, sizeB); ++counted)
            running.add(0, pb[static_cast<std::size_t>(counted)]);
        sums.add(0, pa[i] * running[0]);
        if (inB(j)) sums.add(1, pa[i] * pb[static_cast<std::size_t>(j)]);
    }
    running = Sums(1);
    counted = sizeB - 1;  // b's totals above the current one are in running
    for (std::size_t i = pa.size(); i-- > 0;) {
        const std::int64_t j = static_cast<std::int64_t>(i) + offset;
        for (; counted > std::max<std::int64_t>(j, -1); --counted)
            running.add(0, pb[static_cast<std::size_t>(counted)]);
        sums.add(2, pa[i] * running[0]);
    }
    Contest out;
    out.greater = std::min(sums[0], 1.0);
    out.equal = std::min(sums[1], 1.0);
    out.less = std::min(sums[2], 1.0);
    const double ea = a.results.errorProbability, eb = b.results.errorProbability;
    out.errorProbability = std::clamp(ea + eb - ea * eb, 0.0, 1.0);
    return out;
}

}  // namespace orvik::odds
