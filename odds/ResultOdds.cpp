#include "odds/ResultOdds.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

#include "dice/Decimal.h"
#include "dice/DiceError.h"
#include "odds/RangeSums.h"
#include "odds/TextLengths.h"

namespace orvik::odds {

namespace {

// One group's total, given the sneak total s that every group shares: the chance of each length
// of its text, and of a total below the 32-bit range.
struct GroupLengths {
    ByLength chance{};
    double below = 0.0;
    int shortest = 0;  // the lengths it can have; 0 when it is always below the range
    int longest = 0;
};

GroupLengths groupLengths(const RangeSums& main, std::int64_t mainLow, std::int64_t mainHigh,
                          const std::vector<LengthRun>& runs, std::int64_t s) {
    GroupLengths g;
    g.below = main.of(mainLow, kLowestTotal - 1 - s);
    const LengthSpan lengths = eachRunWithin(
        runs, s + mainLow, s + mainHigh, [&](std::int64_t first, std::int64_t last, int length) {
            g.chance[static_cast<std::size_t>(length)] += main.of(first - s, last - s);
        });
    g.shortest = lengths.shortest;
    g.longest = lengths.longest;
    // The largest share is what the others leave: then the shares sum to 1, a certain length
    // is exactly certain, and only a share of at least 1/12 loses digits to the subtraction.
    double* largest = &g.below;
    for (int length = g.shortest; length >= 1 && length <= g.longest; ++length) {
        double& share = g.chance[static_cast<std::size_t>(length)];
        if (share > *largest) largest = &share;
    }
    double others = g.below - *largest;
    for (int length = g.shortest; length >= 1 && length <= g.longest; ++length)
        others += g.chance[static_cast<std::size_t>(length)];
    *largest = std::max(1.0 - others, 0.0);
    return g;
}

// For each length L of the first group's text: the chance that the other groups, independent
// given s, all stay in range with texts of at most budget - L characters together (fit), and the
// chance that they do not (refused), each summed from its own terms so that a small one keeps its
// digits.
struct OthersFit {
    ByLength fit{};
    ByLength refused{};
};

class Others {
  public:
    Others(std::int64_t count, std::int64_t budget, int shortestFirst, int longestFirst)
        : count_(count),
          budget_(budget),
          shortestFirst_(shortestFirst),
          longestFirst_(longestFirst) {}

    OthersFit operator()(const GroupLengths& g) {
        OthersFit out;
        out.refused.fill(1.0);
        if (count_ == 0) {
            for (int L = shortestFirst_; L <= longestFirst_; ++L) {
                const bool fits = budget_ - L >= 0;
                out.fit[index(L)] = fits ? 1.0 : 0.0;
                out.refused[index(L)] = fits ? 0.0 : 1.0;
            }
            return out;
        }
        if (g.shortest == 0) return out;  // every other group is below the range
        // Lengths are counted beyond the least they can sum to.
        const std::int64_t least = count_ * g.shortest;
        const int spread = g.longest - g.shortest;
        const std::int64_t most = std::min(budget_ - shortestFirst_ - least, count_ * spread);
        if (most < 0) return out;
        if (spread == 0) {
            const double all = std::pow(g.chance[index(g.shortest)], static_cast<double>(count_));
            // 1 - all, from the chance of falling below when that is the small one.
            const double notAll =
                g.below <= 0.5
                    ? std::max(0.0, -std::expm1(static_cast<double>(count_) * std::log1p(-g.below)))
                    : 1.0 - all;
            for (int L = shortestFirst_; L <= longestFirst_; ++L) {
                if (budget_ - L - least < 0) continue;
                out.fit[index(L)] = all;
                out.refused[index(L)] = notAll;
            }
            return out;
        }
        // excess[e]: the chance that the groups so far are all in range with lengths summing to
        // least + e; gone: that one fell below or the sum passed least + most.
        const auto cap = static_cast<std::size_t>(most);
        excess_.assign(1, 1.0);
        double gone = 0.0;
        for (std::int64_t group = 0; group < count_; ++group) {
            double held = 0.0;  // so far; this group may fall below
            for (const double chance : excess_)
                held += chance;
            gone += held * g.below;
            addGroupLengths(excess_, &g.chance[index(g.shortest)], static_cast<std::size_t>(spread),
                            cap, next_, &gone);
            excess_.swap(next_);
        }
        for (int L = shortestFirst_; L <= longestFirst_; ++L) {
            const std::int64_t room = budget_ - L - least;
            if (room < 0) continue;
            // excess_ holds least + 0 to least + most: most is at most count_ * spread.
            const auto cut = static_cast<std::size_t>(std::min(room, most)) + 1;
            double fit = 0.0, refused = gone;
            for (std::size_t e = 0; e < cut; ++e)
                fit += excess_[e];
            for (std::size_t e = cut; e < excess_.size(); ++e)
                refused += excess_[e];
            out.fit[index(L)] = fit;
            out.refused[index(L)] = refused;
        }
        return out;
    }

  private:
    static std::size_t index(int length) { return static_cast<std::size_t>(length); }

    std::int64_t count_;
    std::int64_t budget_;
    int shortestFirst_;
    int longestFirst_;
    std::vector<double> excess_, next_;
};

// A roll's parts and what their totals can be.
struct Shape {
    DicePart sneak, main;
    std::int32_t groups = 1;
    std::int64_t budget = 0;
    std::int64_t sneakLow = 0, sneakHigh = 0, mainLow = 0, mainHigh = 0;
    std::int64_t lowest = 0, highest = 0;  // of a combined total
    std::vector<LengthRun> runs;           // the combined totals in range
    int shortest = kLongest, longest = 1;  // their texts' lengths
};

// Only the first group's own total can be refused, and only for falling below the range.
Results belowTheRangeOnly(const Shape& shape, Results results) {
    Distribution& totals = results.totals;
    addPart(totals, shape.sneak);
    results.sneakTotals = totals;
    addPart(totals, shape.main);
    if (totals.lowest < kLowestTotal) {
        const auto cut = static_cast<std::ptrdiff_t>(kLowestTotal - totals.lowest);
        auto& p = totals.probability;
        double hi = 0.0, lo = 0.0;
        for (auto it = p.begin(); it != p.begin() + cut; ++it)
            twoSum(hi, lo, *it);
        results.errorProbability = hi + lo;
        p.erase(p.begin(), p.begin() + cut);
        totals.lowest = kLowestTotal;
    }
    return results;
}

// For each sneak total s: the chance that the other groups leave room for the first one's text,
// by its length, and the shortest text one group can have (0: none, every total is below).
struct RoomGivenSneak {
    std::vector<ByLength> fits;
    std::vector<int> shortestOther;
    double error = 0.0;  // the chance of the error, over every s
};

RoomGivenSneak roomGivenSneak(const Shape& shape, const Distribution& sneakTotals,
                              const RangeSums& mainSums) {
    const std::size_t count = sneakTotals.probability.size();
    RoomGivenSneak given;
    given.fits.resize(count);
    given.shortestOther.resize(count);
    Others others(std::int64_t{shape.groups} - 1, shape.budget, shape.shortest, shape.longest);
    double hi = 0.0, lo = 0.0;
    for (std::size_t j = 0; j < count; ++j) {
        const std::int64_t s = sneakTotals.lowest + static_cast<std::int64_t>(j);
        const GroupLengths g = groupLengths(mainSums, shape.mainLow, shape.mainHigh, shape.runs, s);
        const OthersFit o = others(g);
        given.fits[j] = o.fit;
        given.shortestOther[j] = g.shortest;
        // The first group falls below, or has some length and the others do not fit with it.
        double refused = g.below;
        for (int L = g.shortest; L >= 1 && L <= g.longest; ++L) {
            const auto i = static_cast<std::size_t>(L);
            refused += g.chance[i] * o.refused[i];
        }
        twoSum(hi, lo, sneakTotals.probability[j] * refused);
    }
    given.error = hi + lo;
    return given;
}

// Totals first to last; empty when first > last.
struct Span {
    std::int64_t first, last;
};

// The first group's totals of text length L that can be results: the sneak totals that lead to
// any of them and leave room for the other groups at all, whatever the chance, rolled through
// every main total. Sneak totals with room form one span: the shortest text of a group, given s,
// is that of its total nearest 0, which shortens and then lengthens as s grows.
Span resultSpan(const Shape& shape, const RoomGivenSneak& given, int L, Span sneaks) {
    const std::int64_t others = std::int64_t{shape.groups} - 1;
    const std::int64_t room = shape.budget - L;  // for the others' texts
    Span ok{sneaks.last + 1, sneaks.first - 1};
    for (std::int64_t s = sneaks.first; s <= sneaks.last; ++s) {
        const int shortest = given.shortestOther[static_cast<std::size_t>(s - shape.sneakLow)];
        if (room < 0 || (others > 0 && (shortest == 0 || others * shortest > room))) continue;
        ok.first = std::min(ok.first, s);
        ok.last = std::max(ok.last, s);
    }
    Span span{shape.highest + 1, shape.lowest - 1};
    if (ok.first > ok.last) return span;
    for (const LengthRun& run : shape.runs) {
        if (run.length != L) continue;
        const std::int64_t a = std::max(run.first, ok.first + shape.mainLow);
        const std::int64_t b = std::min(run.last, ok.last + shape.mainHigh);
        if (a > b) continue;
        span.first = std::min(span.first, a);
        span.last = std::max(span.last, b);
    }
    return span;
}

// Any group's answer can be refused. Every group shares the sneak total s, and given s the
// groups are independent, so the first group's totals of text length L are the sneak totals,
// each weighted by the chance that the others leave room for L characters, rolled through the
// main dice like the sneak totals themselves.
Results everyGroup(const Shape& shape, Results results) {
    Distribution sneakTotals;
    addPart(sneakTotals, shape.sneak);
    Distribution mainTotals;
    addPart(mainTotals, shape.main);
    const RoomGivenSneak given = roomGivenSneak(shape, sneakTotals, RangeSums(mainTotals));
    results.errorProbability = given.error;

    Distribution& totals = results.totals;
    totals.lowest = shape.runs.front().first;
    totals.probability.assign(static_cast<std::size_t>(shape.highest - totals.lowest + 1), 0.0);
    Span kept{shape.highest + 1, shape.lowest - 1};  // the totals that can be results
    Distribution all;                                // every combined total, when first needed
    bool haveAll = false;
    for (int L = shape.shortest; L <= shape.longest; ++L) {
        const auto length = static_cast<std::size_t>(L);
        Span of{shape.highest + 1, kLowestTotal - 1};  // the totals of this length
        for (const LengthRun& run : shape.runs) {
            if (run.length != L) continue;
            of.first = std::min(of.first, run.first);
            of.last = std::max(of.last, run.last);
        }
        if (of.first > of.last) continue;
        const Span sneaks{std::max(shape.sneakLow, of.first - shape.mainHigh),
                          std::min(shape.sneakHigh, of.last - shape.mainLow)};
        const Span span = resultSpan(shape, given, L, sneaks);
        if (span.first > span.last) continue;
        kept.first = std::min(kept.first, span.first);
        kept.last = std::max(kept.last, span.last);

        // The same chance for every sneak total: a share of the combined totals.
        const auto jFrom = static_cast<std::size_t>(sneaks.first - shape.sneakLow);
        const auto jTo = static_cast<std::size_t>(sneaks.last - shape.sneakLow);
        const double same = given.fits[jFrom][length];
        bool constant = true;
        for (std::size_t j = jFrom; j <= jTo && constant; ++j)
            constant = sneakTotals.probability[j] == 0.0 || given.fits[j][length] == same;
        Distribution weighted;
        if (constant && !haveAll) {
            all = sneakTotals;
            addPart(all, shape.main);
            haveAll = true;
        } else if (!constant) {
            weighted.lowest = sneaks.first;
            weighted.probability.resize(jTo - jFrom + 1);
            for (std::size_t j = jFrom; j <= jTo; ++j)
                weighted.probability[j - jFrom] =
                    sneakTotals.probability[j] * given.fits[j][length];
            addPart(weighted, shape.main);
        }
        const Distribution& source = constant ? all : weighted;
        const double scale = constant ? same : 1.0;
        for (const LengthRun& run : shape.runs) {
            if (run.length != L) continue;
            for (std::int64_t t = run.first; t <= run.last; ++t) {
                totals.probability[static_cast<std::size_t>(t - totals.lowest)] =
                    scale * source.probability[static_cast<std::size_t>(t - source.lowest)];
            }
        }
    }
    if (kept.first > kept.last) throw DiceError(kInvalidArguments);
    results.sneakTotals = std::move(sneakTotals);
    results.mainTotals = std::move(mainTotals);
    auto& p = totals.probability;
    p.erase(p.begin() + static_cast<std::ptrdiff_t>(kept.last - totals.lowest + 1), p.end());
    p.erase(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(kept.first - totals.lowest));
    totals.lowest = kept.first;
    return results;
}

}  // namespace

bool mayNotFit(const DicePart& sneak, const DicePart& main, std::int32_t groups,
               std::int64_t budget) {
    const std::int64_t lowest = lowestOf(sneak) + lowestOf(main);
    const std::int64_t highest = highestOf(sneak) + highestOf(main);
    if (highest < kLowestTotal) return false;  // nothing is a result, whatever the budget
    // A text's length grows with the total's distance from 0: the longest is at an end.
    const auto longest = static_cast<std::int64_t>(
        std::max(decimalLength(std::max(lowest, kLowestTotal)), decimalLength(highest)));
    return std::int64_t{groups} * longest > budget;
}

Results resultOdds(const DicePart& sneak, const DicePart& main, std::int32_t groups,
                   std::int64_t budget) {
    Shape shape;
    shape.sneak = sneak;
    shape.main = main;
    shape.groups = groups;
    shape.budget = budget;
    shape.sneakLow = lowestOf(sneak);
    shape.sneakHigh = highestOf(sneak);
    shape.mainLow = lowestOf(main);
    shape.mainHigh = highestOf(main);
    shape.lowest = shape.sneakLow + shape.mainLow;
    shape.highest = shape.sneakHigh + shape.mainHigh;
    if (shape.highest < kLowestTotal) throw DiceError(kInvalidArguments);
    shape.runs = lengthRuns(std::max(shape.lowest, kLowestTotal), shape.highest);
    for (const LengthRun& run : shape.runs) {
        shape.shortest = std::min(shape.shortest, run.length);
        shape.longest = std::max(shape.longest, run.length);
    }

    Results results;
    results.tooLow = shape.lowest < kLowestTotal;
    // Any group can take the shortest or the longest text while the others take the same one.
    results.tooLong = std::int64_t{groups} * shape.longest > budget;
    if (std::int64_t{groups} * shape.shortest > budget) throw DiceError(kInvalidArguments);
    if (!results.tooLong && (groups == 1 || !results.tooLow)) {
        results = belowTheRangeOnly(shape, results);
    } else {
        results = everyGroup(shape, results);
    }

    // Every face of every die can come up, so some roll gives a result whenever the checks
    // above pass: a chance of it that rounds to 0 is still a chance, and the table is given.
    for (double& chance : results.totals.probability)
        chance = std::min(chance, 1.0);
    results.errorProbability = std::clamp(results.errorProbability, 0.0, 1.0);
    return results;
}

}  // namespace orvik::odds
