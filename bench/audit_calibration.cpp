// How honest the audit's figures are, measured by drawing samples from the exact odds: the size
// of each text's one p-value at 0.001, 0.01 and 0.05 from 30 to 100,000 totals, sparse samples
// included; how often a fair log of 50 texts, alone and with five rollers each audited apart,
// gets an unlikely verdict (exit status 1) with its p-values adjusted together; the power against
// the biases players use, with the chance each report states beside it; and how often a fair log
// audited after each of 20 sessions is ever flagged, by its anytime e-value and by its one-look
// p-values. Every sample goes through the library's own tests (audit/Tests.h, audit/Audit.h),
// the simulated spread included. Each table says how many samples it drew.
//
// Run: build/bench/orvik_audit_calibration [--sections sizes,logs,power,looks] [--samples N]
//                                          [--seconds S] [--threads N] [--replicate R] [--quick]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "audit/Anytime.h"
#include "audit/Audit.h"
#include "audit/Family.h"
#include "audit/MeanTail.h"
#include "audit/Power.h"
#include "audit/Simulation.h"
#include "audit/Tails.h"
#include "audit/Tests.h"
#include "bench/options.h"
#include "features/RollText.h"
#include "odds/Odds.h"

namespace {

using orvik::audit::Bias;
using orvik::audit::MeanTail;
using orvik::audit::Observed;
using orvik::audit::Tests;
using orvik::odds::Distribution;
using orvik::odds::Odds;

const char kUsage[] =
    "Usage: orvik_audit_calibration [--sections LIST] [--samples N] [--seconds S]\n"
    "                               [--threads N] [--replicate R] [--quick]\n"
    "Draws samples from the exact odds and tests each as the audit does, printing Markdown\n"
    "tables with the samples drawn for each figure, then the time taken.\n"
    "  --sections LIST  of sizes, logs, power, looks (default all), separated by commas\n"
    "  --samples N      the most samples for one figure (default 100000)\n"
    "  --seconds S      the longest one figure may draw for, in seconds (default 60); the\n"
    "                   power twice as long, the looks ten times, the logs forty\n"
    "  --threads N      threads to draw on (default 2)\n"
    "  --replicate R    other samples, for a replicate (R from 1; every seed moved by 1,000 R)\n"
    "  --quick          2,000 samples and 2 seconds at most a figure, to try it out\n";

struct Options {
    std::vector<std::string> sections{"sizes", "logs", "power", "looks"};
    std::uint64_t samples = 100000;
    std::uint64_t seconds = 60;
    std::uint64_t threads = 2;
    std::uint64_t replicate = 0;  // moves every figure's seeds, for other samples
};

bool wants(const Options& options, const char* section) {
    return std::find(options.sections.begin(), options.sections.end(), section) !=
           options.sections.end();
}

// Draws count vectors from chances: a multinomial, as conditional binomials.
class Counts {
  public:
    explicit Counts(std::vector<double> chances) : chances_(std::move(chances)) {
        double total = 0.0;
        for (const double c : chances_)
            total += c;
        for (double& c : chances_)
            c /= total;
    }
    void draw(std::mt19937_64& random, std::uint64_t n, std::vector<std::uint64_t>& out) const {
        out.assign(chances_.size(), 0);
        double left = 1.0;
        for (std::size_t i = 0; i < chances_.size() && n > 0; ++i) {
            if (i + 1 == chances_.size() || chances_[i] >= left) {
                out[i] = n;
                break;
            }
            const double part = std::clamp(chances_[i] / left, 0.0, 1.0);
            std::binomial_distribution<std::uint64_t> binomial(n, part);
            out[i] = binomial(random);
            n -= out[i];
            left -= chances_[i];
        }
    }

  private:
    std::vector<double> chances_;
};

// Samples that met a test's line (hits), and those the old verdict's would have (old).
struct Hits {
    std::uint64_t hits = 0, old = 0;
    Hits& operator+=(const Hits& o) {
        hits += o.hits;
        old += o.old;
        return *this;
    }
};

// Runs body(random) for samples drawn in parallel until most are done or seconds pass; each
// sample's generator is seeded from its number, so that the same samples come out however many
// threads draw them. Returns the samples done.
template <class Tally>
std::uint64_t drawSamples(const Options& options, std::uint64_t most, double seconds,
                          std::uint64_t seed, Tally& total,
                          const std::function<void(std::mt19937_64&, Tally&)>& body) {
    std::atomic<std::uint64_t> next{0};
    std::mutex lock;
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    std::atomic<std::uint64_t> done{0};
    for (std::uint64_t t = 0; t < options.threads; ++t) {
        threads.emplace_back([&] {
            Tally mine{};
            for (std::uint64_t i = next++; i < most; i = next++) {
                if (std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                        .count() > seconds)
                    break;
                std::seed_seq sequence{seed + 1000 * options.replicate, i};
                std::mt19937_64 random(sequence);
                body(random, mine);
                ++done;
            }
            const std::lock_guard<std::mutex> guard(lock);
            total += mine;
        });
    }
    for (std::thread& t : threads)
        t.join();
    return done.load();
}

// The text's p as the audit gives it alone: the tests, the spread simulated where it needs to
// be for a family of that many p-values.
Tests tested(const Odds& odds, const MeanTail& tail, const std::vector<std::uint64_t>& counts,
             std::uint64_t family) {
    Observed seen(odds);
    seen.counts = counts;
    for (const std::uint64_t c : counts)
        seen.answers += c;
    Tests tests = orvik::audit::testTotals(odds, seen, tail);
    orvik::audit::simulateSpread(tests, family);
    return tests;
}

// The p the audit gave before its one p-value: the smaller of the normal mean's and the
// chi-square tail's, uncorrected.
double oldP(const Tests& tests) {
    double p = 1.0;
    if (tests.mean.done) p = orvik::audit::normalTwoSided(tests.mean.z);
    if (tests.fit.done) p = std::min(p, tests.fit.chiSquareP);
    return p;
}

Odds oddsOf(const std::string& text, bool sneak = false) {
    return orvik::features::oddsOf(text, sneak);
}

struct Rates {
    std::uint64_t at[3] = {0, 0, 0};   // p at or below 0.001, 0.01, 0.05
    std::uint64_t old[3] = {0, 0, 0};  // the old verdict's p
    std::uint64_t simulated = 0;       // samples whose spread was simulated
    Rates& operator+=(const Rates& o) {
        for (int i = 0; i < 3; ++i) {
            at[i] += o.at[i];
            old[i] += o.old[i];
        }
        simulated += o.simulated;
        return *this;
    }
};

constexpr double kLevels[3] = {0.001, 0.01, 0.05};

std::string share(std::uint64_t count, std::uint64_t of) {
    char s[32];
    std::snprintf(s, sizeof s, "%.5f", static_cast<double>(count) / static_cast<double>(of));
    return s;
}

// A binomial count's share with its standard error: "0.00112 (0.0001)".
std::string shareWithError(std::uint64_t count, std::uint64_t of) {
    const double p = static_cast<double>(count) / static_cast<double>(of);
    const double error =
        std::sqrt(std::max(p, 1.0 / static_cast<double>(of)) * (1.0 - p) / static_cast<double>(of));
    char s[48];
    std::snprintf(s, sizeof s, "%.5f ± %.5f", p, error);
    return s;
}

void sizes(const Options& options) {
    struct Row {
        const char* text;
        bool sneak;
        std::vector<std::uint64_t> ns;
    };
    const std::vector<std::uint64_t> common{30, 100, 300, 1000, 3000, 10000, 100000};
    const Row rows[] = {
        {"d6", false, common},
        {"2d6", false, common},
        {"3d6", false, common},
        {"d20", false, common},
        {"8d6", false, common},
        {"d500", false, common},
        {"100d500", false, {200, 1000, 3000, 10000, 100000}},
        {"3d6 d8+2", true, common},
    };
    std::printf(
        "\n### The size of each text's p-value\n\n"
        "Fair samples drawn from the exact odds; the share whose p is at or below each "
        "level, then the old verdict's (the smaller of the two tests' p, uncorrected), and "
        "the share whose spread was simulated.\n\n"
        "| Text | Totals | Samples | 0.001 | 0.01 | 0.05 | old 0.001 | old 0.05 | "
        "simulated |\n|---|---|---|---|---|---|---|---|---|\n");
    std::uint64_t seed = 1;
    for (const Row& row : rows) {
        const Odds odds = oddsOf(row.text, row.sneak);
        const Counts counts(odds.results.totals.probability);
        for (const std::uint64_t n : row.ns) {
            const MeanTail tail(odds.results.totals.probability, n);
            Rates rates;
            const std::uint64_t done =
                drawSamples<Rates>(options, options.samples, static_cast<double>(options.seconds),
                                   seed++, rates, [&](std::mt19937_64& random, Rates& mine) {
                                       std::vector<std::uint64_t> c;
                                       counts.draw(random, n, c);
                                       const Tests tests = tested(odds, tail, c, 1);
                                       const double old = oldP(tests);
                                       for (int i = 0; i < 3; ++i) {
                                           if (tests.p <= kLevels[i]) ++mine.at[i];
                                           if (old <= kLevels[i]) ++mine.old[i];
                                       }
                                       if (tests.fit.simulated) ++mine.simulated;
                                   });
            std::printf("| `%s%s` | %llu | %llu | %s | %s | %s | %s | %s | %s |\n",
                        row.sneak ? "--sneak " : "", row.text, static_cast<unsigned long long>(n),
                        static_cast<unsigned long long>(done),
                        shareWithError(rates.at[0], done).c_str(), share(rates.at[1], done).c_str(),
                        share(rates.at[2], done).c_str(), share(rates.old[0], done).c_str(),
                        share(rates.old[2], done).c_str(), share(rates.simulated, done).c_str());
            std::fflush(stdout);
        }
    }
}

// A fair log of 50 texts of different dice, 30 to 500 answers each, each text's answers shared
// among five rollers; audited alone or with each roller apart, every p-value adjusted together.
void logs(const Options& options) {
    const std::int32_t dice[] = {1, 2, 3, 4, 5};
    const std::int32_t sides[] = {2, 3, 4, 6, 8, 10, 12, 20, 30, 100};
    const std::uint64_t answers[] = {30, 60, 120, 250, 500};
    constexpr std::uint64_t kRollers = 5;
    struct Text {
        Odds odds;
        std::uint64_t n = 0;
        std::unique_ptr<Counts> counts;
        std::unique_ptr<MeanTail> all;   // the mean's tail for every roller's answers
        std::unique_ptr<MeanTail> each;  // for one roller's
    };
    std::vector<Text> texts;
    std::size_t k = 0;
    for (const std::int32_t d : dice) {
        for (const std::int32_t s : sides) {
            Text t;
            t.odds = oddsOf(std::to_string(d) + "d" + std::to_string(s));
            t.n = answers[k++ % 5];
            t.counts = std::make_unique<Counts>(t.odds.results.totals.probability);
            t.all = std::make_unique<MeanTail>(t.odds.results.totals.probability, t.n);
            t.each = std::make_unique<MeanTail>(t.odds.results.totals.probability, t.n / kRollers);
            texts.push_back(std::move(t));
        }
    }
    std::printf(
        "\n### A fair log of 50 texts\n\n"
        "50 texts of different dice (1 to 5 dice of 2 to 100 sides), 30 to 500 answers "
        "each, every answer from the exact odds; the share of logs whose audit has some "
        "verdict unlikely (exit status 1), each p-value adjusted among all the audits' "
        "(Holm's), and the same with the old verdict's p unadjusted.\n\n"
        "| Audited | Audits | Samples | Exit status 1 | old |\n|---|---|---|---|---|\n");
    for (const bool byRoller : {false, true}) {
        Hits tally;
        const std::uint64_t family = byRoller ? texts.size() * (kRollers + 1) : texts.size();
        const std::uint64_t done = drawSamples<Hits>(
            options, options.samples / 4, 40.0 * static_cast<double>(options.seconds),
            byRoller ? 71 : 70, tally, [&](std::mt19937_64& random, Hits& mine) {
                std::vector<double> ps;
                bool old = false;
                for (const Text& t : texts) {
                    std::vector<std::uint64_t> all(t.odds.results.totals.probability.size(), 0);
                    std::vector<std::uint64_t> one;
                    for (std::uint64_t r = 0; r < kRollers; ++r) {
                        t.counts->draw(random, t.n / kRollers, one);
                        for (std::size_t i = 0; i < one.size(); ++i)
                            all[i] += one[i];
                        if (!byRoller) continue;
                        const Tests tests = tested(t.odds, *t.each, one, family);
                        ps.push_back(tests.p);
                        old = old || oldP(tests) <= 0.001;
                    }
                    const Tests tests = tested(t.odds, *t.all, all, family);
                    ps.push_back(tests.p);
                    old = old || oldP(tests) <= 0.001;
                }
                const std::vector<double> adjusted = orvik::audit::holmAdjusted(ps);
                if (std::any_of(adjusted.begin(), adjusted.end(),
                                [](double p) { return p <= 0.001; }))
                    ++mine.hits;
                if (old) ++mine.old;
            });
        std::printf("| %s | %llu | %llu | %s | %s |\n",
                    byRoller ? "each text, and each of its 5 rollers (`--by-roller`)" : "each text",
                    static_cast<unsigned long long>(family), static_cast<unsigned long long>(done),
                    shareWithError(tally.hits, done).c_str(), share(tally.old, done).c_str());
        std::fflush(stdout);
    }
}

// A d20's or 3d6's dice, with one die's faces as biased dice show them.
std::vector<double> faces(std::int32_t sides) {
    std::vector<double> p;
    for (std::int32_t f = 1; f <= sides; ++f)
        p.push_back(orvik::odds::faceCount(sides, f) / 32768.0);
    return p;
}

Distribution distributionOf(std::int64_t lowest, std::vector<double> p) {
    Distribution d;
    d.lowest = lowest;
    d.probability = std::move(p);
    return d;
}

void power(const Options& options) {
    const Odds d20 = oddsOf("d20");
    const Odds d3d6 = oddsOf("3d6");
    const std::vector<double> die = faces(20);
    // d20 + 1, capped at 20.
    std::vector<double> capped(20, 0.0);
    for (std::size_t f = 0; f < 20; ++f)
        capped[std::min<std::size_t>(f + 1, 19)] += die[f];
    // A d20 whose 1s are rolled again, once.
    std::vector<double> rerolled(20, 0.0);
    for (std::size_t f = 0; f < 20; ++f)
        rerolled[f] = die[f] * (f == 0 ? die[0] : 1.0 + die[0]);
    // The better of two d20s.
    std::vector<double> better(20, 0.0);
    double below = 0.0;
    for (std::size_t f = 0; f < 20; ++f) {
        const double atMost = below + die[f];
        better[f] = atMost * atMost - below * below;
        below = atMost;
    }
    struct Row {
        std::string what;
        const Odds* odds;
        Distribution truth;
        std::uint64_t n;
    };
    std::vector<Row> rows = {
        {"d20 showing 20 half again as often", &d20,
         orvik::audit::biasedTotals(d20, orvik::audit::topFace(d20, 1.5)), 4080},
        {"d20 showing 20 twice as often", &d20,
         orvik::audit::biasedTotals(d20, orvik::audit::topFace(d20, 2.0)), 1140},
        {"3d6, one die showing 6 twice as often", &d3d6,
         orvik::audit::biasedTotals(d3d6, orvik::audit::topFace(d3d6, 2.0)), 1440},
        {"d20 + 1, capped at 20", &d20, distributionOf(1, capped), 400},
        {"d20 whose 1s are rolled again once", &d20, distributionOf(1, rerolled), 700},
        {"the better of two d20s", &d20, distributionOf(1, better), 57},
    };
    // Beside them, the chances the reports state, at the totals they say catch 90% and half as
    // many.
    const Odds d2d6 = oddsOf("2d6");
    const Odds d6 = oddsOf("d6");
    const Odds d8d6 = oddsOf("8d6");
    for (const Odds* odds : {&d20, &d3d6, &d2d6, &d6, &d8d6}) {
        for (const Bias& bias : {orvik::audit::topFace(*odds, 1.5),
                                 orvik::audit::topFace(*odds, 2.0), orvik::audit::plusOne()}) {
            Distribution truth = orvik::audit::biasedTotals(*odds, bias);
            const std::uint64_t n90 = orvik::audit::totalsToCatch(*odds, truth, 0.9);
            for (const std::uint64_t n : {n90 / 2, n90}) {
                const std::string dice = odds == &d20    ? "d20"
                                         : odds == &d3d6 ? "3d6"
                                         : odds == &d2d6 ? "2d6"
                                         : odds == &d6   ? "d6"
                                                         : "8d6";
                const std::string what =
                    dice + ": " +
                    (bias.kind == Bias::Kind::Shift
                         ? std::string("+1 on every total")
                         : "one die showing its highest face " +
                               std::string(bias.times == 1.5 ? "1.5" : "2") + " times as often");
                rows.push_back({what, odds, truth, std::max<std::uint64_t>(n, 1)});
            }
        }
    }
    std::printf(
        "\n### Power against biased dice\n\n"
        "Samples drawn from the biased dice; the share called unlikely by an audit alone "
        "(p at 0.001 or below, or a total no roll gives), by the old verdict's p, and the "
        "chance the report states.\n\n"
        "| Bias | Totals | Samples | Caught | old | Stated |\n|---|---|---|---|---|---|\n");
    std::uint64_t seed = 100;
    for (const Row& row : rows) {
        const Odds& odds = *row.odds;
        const MeanTail tail(odds.results.totals.probability, row.n);
        // The truth over the odds' totals and beyond them.
        const std::int64_t low = std::min(row.truth.lowest, odds.results.totals.lowest);
        const std::int64_t high = std::max(row.truth.highest(), odds.results.totals.highest());
        std::vector<double> chances(static_cast<std::size_t>(high - low + 1), 0.0);
        for (std::size_t i = 0; i < row.truth.probability.size(); ++i)
            chances[static_cast<std::size_t>(row.truth.lowest - low) + i] =
                row.truth.probability[i];
        const Counts counts(chances);
        Hits tally;
        const std::uint64_t done = drawSamples<Hits>(
            options, std::min<std::uint64_t>(options.samples, 5000),
            2.0 * static_cast<double>(options.seconds), seed++, tally,
            [&](std::mt19937_64& random, Hits& mine) {
                std::vector<std::uint64_t> drawn;
                std::vector<std::uint64_t> c(odds.results.totals.probability.size(), 0);
                counts.draw(random, row.n, drawn);
                bool impossible = false;
                for (std::size_t i = 0; i < drawn.size(); ++i) {
                    const std::int64_t t = low + static_cast<std::int64_t>(i);
                    const std::int64_t at = t - odds.results.totals.lowest;
                    if (at < 0 || at >= static_cast<std::int64_t>(c.size()))
                        impossible = impossible || drawn[i] > 0;
                    else
                        c[static_cast<std::size_t>(at)] = drawn[i];
                }
                if (impossible) {
                    ++mine.hits;
                    ++mine.old;
                    return;
                }
                const Tests tests = tested(odds, tail, c, 1);
                if (tests.p <= 0.001) ++mine.hits;
                if (oldP(tests) <= 0.001) ++mine.old;
            });
        const double stated = orvik::audit::chanceToCatch(odds, row.truth, row.n);
        std::printf("| %s | %llu | %llu | %s | %s | %.3f |\n", row.what.c_str(),
                    static_cast<unsigned long long>(row.n), static_cast<unsigned long long>(done),
                    share(tally.hits, done).c_str(), share(tally.old, done).c_str(), stated);
        std::fflush(stdout);
    }
}

// A fair log of 10 texts audited after each of 20 sessions, each session adding 30 answers to
// every text: the share of logs ever flagged by the anytime e-value (the log's at 1,000 or
// more), and by the one-look p-values adjusted together (one at 0.001 or below).
void looks(const Options& options) {
    const char* names[] = {"d20", "3d6", "2d6", "d6", "d8", "d10", "d12", "4d6", "d100", "2d20"};
    constexpr std::uint64_t kSessions = 20;
    constexpr std::uint64_t kPerSession = 30;
    struct Text {
        Odds odds;
        std::unique_ptr<Counts> counts;
        std::vector<std::unique_ptr<MeanTail>> tails;  // after each session
    };
    std::vector<Text> texts;
    for (const char* name : names) {
        Text t;
        t.odds = oddsOf(name);
        t.counts = std::make_unique<Counts>(t.odds.results.totals.probability);
        for (std::uint64_t s = 1; s <= kSessions; ++s)
            t.tails.push_back(
                std::make_unique<MeanTail>(t.odds.results.totals.probability, s * kPerSession));
        texts.push_back(std::move(t));
    }
    // One log's samples, each session's look: flagged by the anytime e-value, and by the one-look
    // p-values (only when oneLook).
    struct Flags {
        bool anytime = false, oneLook = false, last = false;
    };
    const auto audited = [&](std::mt19937_64& random, bool oneLook) {
        std::vector<std::vector<std::uint64_t>> counts(texts.size());
        for (std::size_t t = 0; t < texts.size(); ++t)
            counts[t].assign(texts[t].odds.results.totals.probability.size(), 0);
        Flags flags;
        std::vector<std::uint64_t> more;
        for (std::uint64_t s = 0; s < kSessions; ++s) {
            double e = 0.0;
            std::vector<double> ps;
            for (std::size_t t = 0; t < texts.size(); ++t) {
                texts[t].counts->draw(random, kPerSession, more);
                for (std::size_t i = 0; i < more.size(); ++i)
                    counts[t][i] += more[i];
                Observed seen(texts[t].odds);
                seen.counts = counts[t];
                e += orvik::audit::anytimeWeight(t + 1) *
                     orvik::audit::eValueOf(orvik::audit::logEValue(texts[t].odds, seen));
                if (oneLook)
                    ps.push_back(
                        tested(texts[t].odds, *texts[t].tails[s], counts[t], texts.size()).p);
            }
            flags.anytime = flags.anytime || e >= 1000.0;
            if (!oneLook) continue;
            const std::vector<double> adjusted = orvik::audit::holmAdjusted(ps);
            const bool flagged =
                std::any_of(adjusted.begin(), adjusted.end(), [](double p) { return p <= 0.001; });
            flags.oneLook = flags.oneLook || flagged;
            flags.last = s + 1 == kSessions && flagged;
        }
        return flags;
    };
    struct Tally {
        std::uint64_t anytime = 0, oneLook = 0, last = 0;
        Tally& operator+=(const Tally& o) {
            anytime += o.anytime;
            oneLook += o.oneLook;
            last += o.last;
            return *this;
        }
    } anytime, oneLook;
    // The e-values cost little: many more logs for them alone.
    const double seconds = 10.0 * static_cast<double>(options.seconds);
    const std::uint64_t manyDone = drawSamples<Tally>(
        options, options.samples, seconds, 200, anytime, [&](std::mt19937_64& random, Tally& mine) {
            if (audited(random, false).anytime) ++mine.anytime;
        });
    const std::uint64_t done = drawSamples<Tally>(options, options.samples, seconds, 201, oneLook,
                                                  [&](std::mt19937_64& random, Tally& mine) {
                                                      const Flags flags = audited(random, true);
                                                      if (flags.anytime) ++mine.anytime;
                                                      if (flags.oneLook) ++mine.oneLook;
                                                      if (flags.last) ++mine.last;
                                                  });
    std::printf(
        "\n### A log audited after each of 20 sessions\n\n"
        "10 texts, 30 fair answers each a session; the share of logs ever flagged at one "
        "of the 20 looks, by the log's anytime e-value (1,000 or more) and by the one-look "
        "p-values adjusted together (0.001 or below), and by these at the last look "
        "alone.\n\n"
        "| Samples | Anytime, ever | One-look, ever | One-look, last look |\n"
        "|---|---|---|---|\n| %llu | %s | | |\n| %llu | %s | %s | %s |\n",
        static_cast<unsigned long long>(manyDone),
        shareWithError(anytime.anytime, manyDone).c_str(), static_cast<unsigned long long>(done),
        shareWithError(oneLook.anytime, done).c_str(),
        shareWithError(oneLook.oneLook, done).c_str(), share(oneLook.last, done).c_str());
    std::fflush(stdout);
}

int readOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool value = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return -1;
        }
        if (arg == "--quick") {
            options.samples = 2000;
            options.seconds = 2;
        } else if (arg == "--sections" && value) {
            options.sections.clear();
            std::string list = argv[++i];
            for (std::size_t at = 0; at <= list.size();) {
                const std::size_t comma = std::min(list.find(',', at), list.size());
                options.sections.push_back(list.substr(at, comma - at));
                at = comma + 1;
            }
            for (const std::string& s : options.sections)
                if (s != "sizes" && s != "logs" && s != "power" && s != "looks") return 2;
        } else if (arg == "--samples" && value) {
            if (!readNumber(argv[++i], 100000000, options.samples)) return 2;
        } else if (arg == "--seconds" && value) {
            if (!readNumber(argv[++i], 1000000, options.seconds)) return 2;
        } else if (arg == "--threads" && value) {
            if (!readNumber(argv[++i], 64, options.threads)) return 2;
        } else if (arg == "--replicate" && value) {
            if (!readNumber(argv[++i], 1000000, options.replicate)) return 2;
        } else {
            return 2;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int status = readOptions(argc, argv, options); status != 0) {
        if (status > 0) std::fputs(kUsage, stderr);
        return status < 0 ? 0 : status;
    }
    const auto start = std::chrono::steady_clock::now();
    if (wants(options, "sizes")) sizes(options);
    if (wants(options, "logs")) logs(options);
    if (wants(options, "power")) power(options);
    if (wants(options, "looks")) looks(options);
    std::printf("\ntime %.0f s on %llu threads\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                static_cast<unsigned long long>(options.threads));
    return 0;
}
