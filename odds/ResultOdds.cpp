#include "odds/ResultOdds.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>
#include <vector>

#include "dice/Decimal.h"
#include "dice/DiceError.h"
#include "odds/RangeSums.h"
#include "odds/SharedDice.h"
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

// Below this the others' chance of leaving room is worked out again, tilted (Others::tilted).
constexpr double kTiltBelow = 0x1p-500;

// The tilt, in powers of two per character, that brings the mean of one group's extra length
// (share[d]: d characters beyond its shortest, d up to spread) down to perGroup: the least whole
// one that does, 0 when none is needed.
int tiltFor(const double* share, int spread, double perGroup) {
    std::array<double, kLongest + 1> logShare{};
    for (int d = 0; d <= spread; ++d) {
        const auto i = static_cast<std::size_t>(d);
        logShare[i] = share[i] > 0.0 ? std::log2(share[i]) : -HUGE_VAL;
    }
    const auto meanAt = [&](int t) {
        double top = -HUGE_VAL;
        for (int d = 0; d <= spread; ++d)
            top = std::max(top, logShare[static_cast<std::size_t>(d)] - t * d);
        double sum = 0.0, first = 0.0;
        for (int d = 0; d <= spread; ++d) {
            const double w = std::exp2(logShare[static_cast<std::size_t>(d)] - t * d - top);
            sum += w;
            first += d * w;
        }
        return first / sum;
    };
    // Past 4096 every share but the shortest's is below a double's least.
    int low = 0, high = 4096;
    if (meanAt(low) <= perGroup) return 0;
    while (high - low > 1) {
        const int mid = (low + high) / 2;
        (meanAt(mid) <= perGroup ? high : low) = mid;
    }
    return high;
}

// Below this the largest chance of a result may have lost digits on its way, or rounded to 0,
// and the chances are weighed afresh (weighSmallChances).
constexpr double kTooSmallToWeigh = 0x1p-900;

// A chance that a double may not hold: mantissa times 2^exponent.
struct Scaled {
    double mantissa = 0.0;
    int exponent = 0;
};

// a b 2^exponent, its power of two kept apart, so that nothing underflows.
Scaled productOf(double a, double b, int exponent) {
    if (a == 0.0 || b == 0.0) return {};
    const int ea = std::ilogb(a);
    const int eb = std::ilogb(b);
    return {std::ldexp(a, -ea) * std::ldexp(b, -eb), ea + eb + exponent};
}

// The sneak totals of sneakTotals from index jFrom to jTo, each weighted as weight(j) gives (a
// Scaled), rolled through main into out, each chance times 2^-returned: the largest weight is
// rolled as a number near 1, so that the totals it leads to keep their digits however small
// their chance. The main dice's chances come from shared when it is given.
template <typename Weight>
int throughMain(const Distribution& sneakTotals, std::size_t jFrom, std::size_t jTo,
                const DicePart& main, Weight weight, SharedDice* shared, Distribution& out) {
    int top = std::numeric_limits<int>::min();
    for (std::size_t j = jFrom; j <= jTo; ++j) {
        const Scaled w = weight(j);
        if (w.mantissa > 0.0) top = std::max(top, w.exponent);
    }
    out.lowest = sneakTotals.lowest + static_cast<std::int64_t>(jFrom);
    out.probability.assign(jTo - jFrom + 1, 0.0);
    if (top == std::numeric_limits<int>::min()) return 0;
    for (std::size_t j = jFrom; j <= jTo; ++j) {
        const Scaled w = weight(j);
        out.probability[j - jFrom] = std::ldexp(w.mantissa, w.exponent - top);
    }
    if (jFrom == jTo) {
        // One sneak total (a plain roll's 0): the main dice's own chances times its weight, so
        // that texts of the same dice share them (odds/SharedDice.h).
        const double only = out.probability[0];
        const std::int64_t lowest = out.lowest;
        out = rolled(kNoDice, main, shared);
        out.lowest += lowest;
        if (only != 1.0) {
            for (double& chance : out.probability)
                chance *= only;
        }
        return top;
    }
    addPart(out, main);
    return top;
}

// The largest of chances first to last, as stored from lowest.
double largestOf(const std::vector<double>& chances, std::int64_t lowest, std::int64_t first,
                 std::int64_t last) {
    double largest = 0.0;
    for (std::int64_t t = first; t <= last; ++t)
        largest = std::max(largest, chances[static_cast<std::size_t>(t - lowest)]);
    return largest;
}

// Chances that a double may not hold, as a double holds them (into chances) and each times the
// one power of two that brings the largest near 1 (into scaled), to weigh them by.
void weigh(const std::vector<Scaled>& from, std::vector<double>& chances,
           std::vector<double>& scaled) {
    int top = std::numeric_limits<int>::min();
    for (const Scaled& c : from) {
        if (c.mantissa > 0.0) top = std::max(top, c.exponent + std::ilogb(c.mantissa));
    }
    if (top == std::numeric_limits<int>::min()) return;
    scaled.resize(from.size());
    for (std::size_t i = 0; i < from.size(); ++i) {
        chances[i] = std::ldexp(from[i].mantissa, from[i].exponent);
        scaled[i] = std::ldexp(from[i].mantissa, from[i].exponent - top);
    }
}

// For each length L of the first group's text: the chance that the other groups, independent
// given s, all stay in range with texts of at most budget - L characters together (fit), and the
// chance that they do not (refused), each summed from its own terms so that a small one keeps its
// digits.
struct OthersFit {
    ByLength fit{};
    ByLength refused{};
    // fit[L] times 2^exponent[L] is the chance, which a double may not hold.
    std::array<int, kLongest + 1> exponent{};
};

// Chances that shrink group after group are kept within a double's range: when the largest falls
// below this, all are multiplied by one power of two, which changes no digit of any.
constexpr double kRescaleBelow = 0x1p-256;

void rescale(std::vector<double>& chances, int& exponent) {
    double largest = 0.0;
    for (const double chance : chances)
        largest = std::max(largest, chance);
    if (largest == 0.0 || largest >= kRescaleBelow) return;
    const int shift = -std::ilogb(largest);
    for (double& chance : chances)
        chance = std::ldexp(chance, shift);
    exponent -= shift;
}

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
            const double share = g.chance[index(g.shortest)];
            double all = std::pow(share, static_cast<double>(count_));
            if (all < std::numeric_limits<double>::min() && share > 0.0) {
                // share = m 2^e, m in [1/2, 1): m^count keeps the digits that share^count loses.
                int e = 0;
                const double m = std::frexp(share, &e);
                all = std::pow(m, static_cast<double>(count_));
                out.exponent.fill(e * static_cast<int>(count_));
            }
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
        // excess_[e] times 2^exponent is that chance (rescale); gone is the chance itself.
        const auto cap = static_cast<std::size_t>(most);
        excess_.assign(1, 1.0);
        double gone = 0.0;
        int exponent = 0;
        for (std::int64_t group = 0; group < count_; ++group) {
            double held = 0.0;  // so far; this group may fall below
            for (const double chance : excess_)
                held += chance;
            gone += std::ldexp(held, exponent) * g.below;
            const double* share = &g.chance[index(g.shortest)];
            if (exponent == 0) {
                addGroupLengths(excess_, share, static_cast<std::size_t>(spread), cap, next_,
                                &gone);
            } else {
                double over = 0.0;
                addGroupLengths(excess_, share, static_cast<std::size_t>(spread), cap, next_,
                                &over);
                gone += std::ldexp(over, exponent);
            }
            excess_.swap(next_);
            rescale(excess_, exponent);
        }
        bool tilt = false;
        for (int L = shortestFirst_; L <= longestFirst_; ++L) {
            const std::int64_t room = budget_ - L - least;
            if (room < 0) continue;
            // excess_ holds least + 0 to least + most: most is at most count_ * spread.
            const auto cut = static_cast<std::size_t>(std::min(room, most)) + 1;
            double fit = 0.0, refused = exponent == 0 ? gone : 0.0;
            for (std::size_t e = 0; e < cut; ++e)
                fit += excess_[e];
            for (std::size_t e = cut; e < excess_.size(); ++e)
                refused += excess_[e];
            out.fit[index(L)] = fit;
            out.exponent[index(L)] = exponent;
            out.refused[index(L)] = exponent == 0 ? refused : gone + std::ldexp(refused, exponent);
            tilt = tilt || std::ldexp(fit, exponent) < kTiltBelow;
        }
        if (tilt) tilted(g, least, spread, most, out);
        return out;
    }

  private:
    static std::size_t index(int length) { return static_cast<std::size_t>(length); }

    // The fits again, where some is so small that the sums above may have lost it: the others'
    // lengths far below their usual ones, where the plain sums' smallest terms round to 0 long
    // before the few that matter are added up. Each share of d characters more is weighed by
    // 2^-td (exponential tilting), t chosen so that the lengths the room allows are the usual
    // ones of the weighed shares; the sums near the room then keep their digits, and the weight
    // comes off again in each fit's power of two. The refusals stand: they are near 1.
    void tilted(const GroupLengths& g, std::int64_t least, int spread, std::int64_t most,
                OthersFit& out) {
        const double* share = &g.chance[index(g.shortest)];
        const int t =
            tiltFor(share, spread, static_cast<double>(most) / static_cast<double>(count_));
        ByLength weighed{};
        for (int d = 0; d <= spread; ++d)
            weighed[index(d)] = std::ldexp(share[d], -t * d);
        excess_.assign(1, 1.0);
        int exponent = 0;  // excess_[e] times 2^(exponent + t e) is the chance of least + e
        for (std::int64_t group = 0; group < count_; ++group) {
            addGroupLengths(excess_, weighed.data(), static_cast<std::size_t>(spread),
                            static_cast<std::size_t>(most), next_);
            excess_.swap(next_);
            rescale(excess_, exponent);
        }
        for (int L = shortestFirst_; L <= longestFirst_; ++L) {
            const std::int64_t room = budget_ - L - least;
            if (room < 0) continue;
            const auto last = static_cast<std::size_t>(std::min(room, most));
            double fit = 0.0;
            for (std::size_t e = 0; e <= last; ++e)
                fit += std::ldexp(excess_[e], -t * static_cast<int>(last - e));
            out.fit[index(L)] = fit;
            out.exponent[index(L)] = exponent + t * static_cast<int>(last);
        }
    }

    std::int64_t count_;
    std::int64_t budget_;
    int shortestFirst_;
    int longestFirst_;
    std::vector<double> excess_, next_;
};

// A roll's parts and what their totals can be.
struct Shape {
    SharedDice* shared = nullptr;  // the dice's chances, when they are shared
    DicePart sneak, main;
    std::int32_t groups = 1;
    std::int64_t budget = 0;
    std::int64_t sneakLow = 0, sneakHigh = 0, mainLow = 0, mainHigh = 0;
    std::int64_t lowest = 0, highest = 0;  // of a combined total
    std::vector<LengthRun> runs;           // the combined totals in range
    int shortest = kLongest, longest = 1;  // their texts' lengths
};

// The sneak totals with the main roll added: from the shared chances where there are some.
Distribution withMain(const Distribution& sneakTotals, const Shape& shape) {
    if (shape.shared != nullptr) return rolled(shape.sneak, shape.main, shape.shared);
    Distribution totals = sneakTotals;
    addPart(totals, shape.main);
    return totals;
}

// Only the first group's own total can be refused, and only for falling below the range.
Results belowTheRangeOnly(const Shape& shape, Results results) {
    results.sneakTotals = rolled(shape.sneak, kNoDice, shape.shared);
    results.totals = withMain(results.sneakTotals, shape);
    Distribution& totals = results.totals;
    if (totals.lowest < kLowestTotal) {
        const auto cut = static_cast<std::ptrdiff_t>(kLowestTotal - totals.lowest);
        auto& p = totals.probability;
        double hi = 0.0, lo = 0.0;
        for (auto it = p.begin(); it != p.begin() + cut; ++it)
            twoSum(hi, lo, *it);
        results.errorProbability = hi + lo;
        p.erase(p.begin(), p.begin() + cut);
        totals.lowest = kLowestTotal;
        if (largestOf(p, totals.lowest, totals.lowest, totals.highest()) < kTooSmallToWeigh) {
            // The results are the far top of the sneak and the main dice together: rolled again
            // from the sneak totals that can reach the range, scaled.
            const Distribution& sneak = results.sneakTotals;
            const auto jFrom = static_cast<std::size_t>(
                std::max<std::int64_t>(0, kLowestTotal - shape.mainHigh - sneak.lowest));
            Distribution source;
            const int exponent = throughMain(
                sneak, jFrom, sneak.probability.size() - 1, shape.main,
                [&](std::size_t j) { return productOf(sneak.probability[j], 1.0, 0); },
                shape.shared, source);
            std::vector<Scaled> chances(p.size());
            for (std::size_t i = 0; i < p.size(); ++i) {
                const std::int64_t t = totals.lowest + static_cast<std::int64_t>(i);
                chances[i] = {source.probability[static_cast<std::size_t>(t - source.lowest)],
                              exponent};
            }
            weigh(chances, p, results.scaled);
        }
    }
    return results;
}

// For each sneak total s: the chance that the other groups leave room for the first one's text,
// by its length, and the shortest text one group can have (0: none, every total is below).
struct RoomGivenSneak {
    std::vector<ByLength> fits;
    std::vector<std::array<int, kLongest + 1>> exponents;  // fits[j][L] times 2^exponents[j][L]
    std::vector<int> shortestOther;
    double error = 0.0;  // the chance of the error, over every s
};

RoomGivenSneak roomGivenSneak(const Shape& shape, const Distribution& sneakTotals,
                              const RangeSums& mainSums) {
    const std::size_t count = sneakTotals.probability.size();
    RoomGivenSneak given;
    given.fits.resize(count);
    given.exponents.resize(count);
    given.shortestOther.resize(count);
    Others others(std::int64_t{shape.groups} - 1, shape.budget, shape.shortest, shape.longest);
    double hi = 0.0, lo = 0.0;
    for (std::size_t j = 0; j < count; ++j) {
        const std::int64_t s = sneakTotals.lowest + static_cast<std::int64_t>(j);
        const GroupLengths g = groupLengths(mainSums, shape.mainLow, shape.mainHigh, shape.runs, s);
        const OthersFit o = others(g);
        given.fits[j] = o.fit;
        given.exponents[j] = o.exponent;
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

// The totals of one length of text, and the sneak totals that can lead to them; each empty when
// first > last.
struct LengthSpans {
    Span totals, sneaks;
};

LengthSpans spansOf(const Shape& shape, int L) {
    LengthSpans spans{{shape.highest + 1, kLowestTotal - 1}, {0, -1}};
    for (const LengthRun& run : shape.runs) {
        if (run.length != L) continue;
        spans.totals.first = std::min(spans.totals.first, run.first);
        spans.totals.last = std::max(spans.totals.last, run.last);
    }
    spans.sneaks = {std::max(shape.sneakLow, spans.totals.first - shape.mainHigh),
                    std::min(shape.sneakHigh, spans.totals.last - shape.mainLow)};
    return spans;
}

// Where every result's chance is too small for a double, rolled again: for each length of the
// first group's text, the sneak totals weighted by the others' room for it, scaled (throughMain).
void weighSmallChances(const Shape& shape, const Distribution& sneakTotals,
                       const RoomGivenSneak& given, const std::vector<int>& lengths,
                       Results& results) {
    Distribution& totals = results.totals;
    std::vector<Scaled> chances(totals.probability.size());
    for (const int L : lengths) {
        const auto length = static_cast<std::size_t>(L);
        const Span sneaks = spansOf(shape, L).sneaks;
        Distribution source;
        const int exponent = throughMain(
            sneakTotals, static_cast<std::size_t>(sneaks.first - shape.sneakLow),
            static_cast<std::size_t>(sneaks.last - shape.sneakLow), shape.main,
            [&](std::size_t j) {
                return productOf(sneakTotals.probability[j], given.fits[j][length],
                                 given.exponents[j][length]);
            },
            shape.shared, source);
        for (const LengthRun& run : shape.runs) {
            if (run.length != L) continue;
            for (std::int64_t t = run.first; t <= run.last; ++t) {
                chances[static_cast<std::size_t>(t - totals.lowest)] = {
                    source.probability[static_cast<std::size_t>(t - source.lowest)], exponent};
            }
        }
    }
    weigh(chances, totals.probability, results.scaled);
}

// Any group's answer can be refused. Every group shares the sneak total s, and given s the
// groups are independent, so the first group's totals of text length L are the sneak totals,
// each weighted by the chance that the others leave room for L characters, rolled through the
// main dice like the sneak totals themselves.
Results everyGroup(const Shape& shape, Results results) {
    Distribution sneakTotals = rolled(shape.sneak, kNoDice, shape.shared);
    Distribution mainTotals = rolled(kNoDice, shape.main, shape.shared);
    const RoomGivenSneak given = roomGivenSneak(shape, sneakTotals, RangeSums(mainTotals));
    results.errorProbability = given.error;
    const auto fitOf = [&given](std::size_t j, std::size_t length) {
        return std::ldexp(given.fits[j][length], given.exponents[j][length]);
    };

    Distribution& totals = results.totals;
    totals.lowest = shape.runs.front().first;
    totals.probability.assign(static_cast<std::size_t>(shape.highest - totals.lowest + 1), 0.0);
    Span kept{shape.highest + 1, shape.lowest - 1};  // the totals that can be results
    std::vector<int> lengths;                        // the lengths of their texts
    Distribution all;                                // every combined total, when first needed
    bool haveAll = false;
    for (int L = shape.shortest; L <= shape.longest; ++L) {
        const auto length = static_cast<std::size_t>(L);
        const LengthSpans spans = spansOf(shape, L);
        if (spans.totals.first > spans.totals.last) continue;
        const Span& sneaks = spans.sneaks;
        const Span span = resultSpan(shape, given, L, sneaks);
        if (span.first > span.last) continue;
        kept.first = std::min(kept.first, span.first);
        kept.last = std::max(kept.last, span.last);
        lengths.push_back(L);

        // The same chance for every sneak total: a share of the combined totals.
        const auto jFrom = static_cast<std::size_t>(sneaks.first - shape.sneakLow);
        const auto jTo = static_cast<std::size_t>(sneaks.last - shape.sneakLow);
        const double same = fitOf(jFrom, length);
        bool constant = true;
        for (std::size_t j = jFrom; j <= jTo && constant; ++j)
            constant = sneakTotals.probability[j] == 0.0 || fitOf(j, length) == same;
        Distribution weighted;
        if (constant && !haveAll) {
            all = withMain(sneakTotals, shape);
            haveAll = true;
        } else if (!constant) {
            weighted.lowest = sneaks.first;
            weighted.probability.resize(jTo - jFrom + 1);
            for (std::size_t j = jFrom; j <= jTo; ++j)
                weighted.probability[j - jFrom] = sneakTotals.probability[j] * fitOf(j, length);
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
    if (largestOf(totals.probability, totals.lowest, kept.first, kept.last) < kTooSmallToWeigh)
        weighSmallChances(shape, sneakTotals, given, lengths, results);
    results.sneakTotals = std::move(sneakTotals);
    results.mainTotals = std::move(mainTotals);
    const auto trim = [&](std::vector<double>& p) {
        if (p.empty()) return;
        p.erase(p.begin() + static_cast<std::ptrdiff_t>(kept.last - totals.lowest + 1), p.end());
        p.erase(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(kept.first - totals.lowest));
    };
    trim(totals.probability);
    trim(results.scaled);
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
                   std::int64_t budget, SharedDice* shared) {
    Shape shape;
    shape.shared = shared;
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
