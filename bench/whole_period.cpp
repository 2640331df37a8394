// The odds beside the generator's whole period. The odds take each die's faces with their exact
// lean and the dice as independent; the generator's successive draws are not quite independent,
// since each die starts from the state the one before it left. Rolling a small roll once from
// every one of the 2^32 states counts exactly how often each total comes out over the period,
// which is what an ideal long run of rolls would show.
//
// Run: build/bench/orvik_whole_period 2d6
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/options.h"
#include "odds/Odds.h"
#include "random/DiceRandom.h"

namespace {

constexpr std::uint64_t kPeriod = std::uint64_t{1} << 32;
// "A few dice": 8d6 takes about 40 s on two cores, and the point is made by two or three.
constexpr std::int32_t kMostDice = 8;

const char kUsage[] =
    "Usage: orvik_whole_period [--states N] [--threads N] TEXT\n"
    "Rolls TEXT (one group of up to 8 dice, as in 2d6 or 3d20+1) once from every one of the\n"
    "generator's 2^32 states, counts how often each total comes out, and prints per total:\n"
    "the count, the whole-period chance (count / 2^32), the chance orvik --odds gives (each\n"
    "die's exact chances, the dice taken as independent), their absolute difference and the\n"
    "difference relative to the odds; then the largest absolute and relative difference and\n"
    "the time the enumeration took.\n"
    "  --states N   only states 0 to N-1 (a quick look; the chances are then of N rolls)\n"
    "  --threads N  threads to share the states among (default 2)\n";

struct Options {
    const char* text = nullptr;
    std::uint64_t states = kPeriod;
    unsigned threads = 2;
};

// Returns 0 to go on, or the exit status.
int readOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(kUsage, stdout);
            return -1;
        }
        std::uint64_t n = 0;
        if (std::strcmp(arg, "--states") == 0 || std::strcmp(arg, "--threads") == 0) {
            const bool states = arg[2] == 's';
            if (i + 1 == argc || !readNumber(argv[i + 1], states ? kPeriod : 64, n)) {
                std::fprintf(stderr, "orvik_whole_period: %s takes a number from 1 to %s\n", arg,
                             states ? "4294967296" : "64");
                return 2;
            }
            if (states)
                options.states = n;
            else
                options.threads = static_cast<unsigned>(n);
            ++i;
        } else if (options.text == nullptr && arg[0] != '-') {
            options.text = arg;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (options.text == nullptr) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    return 0;
}

// Each state in [first, last) as the state before the roll, through the engine's own draw.
void countTotals(const orvik::odds::DicePart& roll, std::uint64_t first, std::uint64_t last,
                 std::vector<std::uint64_t>& counts) {
    // The lowest total is dice + modifier; the sum of faces less the dice indexes the counts.
    for (std::uint64_t s = first; s < last; ++s) {
        orvik::seedRandom(static_cast<std::uint32_t>(s));
        ++counts[static_cast<std::size_t>(orvik::sumOfFaces(roll.dice, roll.sides) - roll.dice)];
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int status = readOptions(argc, argv, options); status != 0)
        return status < 0 ? 0 : status;

    orvik::odds::Odds odds;
    try {
        odds = orvik::odds::rollOdds(options.text);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orvik_whole_period: %s: %s\n", options.text, e.what());
        return 1;
    }
    const orvik::odds::DicePart roll = odds.roll;
    // One group of a few dice, every answer a result: then the odds' totals are of that one
    // group's sum, and so are the counts.
    if (odds.groups != 1 || roll.dice < 1 || roll.dice > kMostDice ||
        odds.results.errorProbability != 0.0) {
        std::fprintf(stderr,
                     "orvik_whole_period: %s: only one group of 1 to %d dice, every roll a result, "
                     "is enumerated\n",
                     options.text, static_cast<int>(kMostDice));
        return 1;
    }

    const std::size_t totals =
        static_cast<std::size_t>(roll.dice) * static_cast<std::size_t>(roll.sides - 1) + 1;
    const unsigned threads = options.threads;
    std::vector<std::vector<std::uint64_t>> counts(threads, std::vector<std::uint64_t>(totals));
    const auto start = std::chrono::steady_clock::now();
    {
        std::vector<std::thread> workers;
        for (unsigned t = 0; t < threads; ++t) {
            const std::uint64_t first = options.states * t / threads;
            const std::uint64_t last = options.states * (t + 1) / threads;
            workers.emplace_back(countTotals, roll, first, last, std::ref(counts[t]));
        }
        for (std::thread& worker : workers)
            worker.join();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (unsigned t = 1; t < threads; ++t)
        for (std::size_t i = 0; i < totals; ++i)
            counts[0][i] += counts[t][i];

    const orvik::odds::Distribution& printed = odds.results.totals;
    const std::int64_t lowest = std::int64_t{roll.dice} + roll.modifier;
    std::printf("%s: %llu states, %u threads\n", options.text,
                static_cast<unsigned long long>(options.states), threads);
    std::printf("%8s %12s %22s %22s %12s %12s\n", "total", "count", "whole period", "odds",
                "abs diff", "rel diff");
    std::uint64_t counted = 0;
    double largestAbs = 0.0;
    double largestRel = 0.0;
    std::int64_t largestAbsAt = lowest;
    std::int64_t largestRelAt = lowest;
    for (std::size_t i = 0; i < totals; ++i) {
        const std::int64_t total = lowest + static_cast<std::int64_t>(i);
        const std::uint64_t count = counts[0][i];
        counted += count;
        // Exact: the count has fewer than 53 bits, and 2^32 states divide by a power of two.
        const double whole = static_cast<double>(count) / static_cast<double>(options.states);
        const std::int64_t at = total - printed.lowest;
        const double p = at >= 0 && at < static_cast<std::int64_t>(printed.probability.size())
                             ? printed.probability[static_cast<std::size_t>(at)]
                             : 0.0;
        const double diff = whole - p;
        const double rel = p > 0.0 ? diff / p : (count == 0 ? 0.0 : INFINITY);
        if (std::fabs(diff) > largestAbs) {
            largestAbs = std::fabs(diff);
            largestAbsAt = total;
        }
        if (std::fabs(rel) > largestRel) {
            largestRel = std::fabs(rel);
            largestRelAt = total;
        }
        std::printf("%8lld %12llu %22.17f %22.17f %12.3e %12.3e\n", static_cast<long long>(total),
                    static_cast<unsigned long long>(count), whole, p, diff, rel);
    }
    std::printf("counted %llu rolls\n", static_cast<unsigned long long>(counted));
    std::printf("largest absolute difference %.3e (total %lld)\n", largestAbs,
                static_cast<long long>(largestAbsAt));
    std::printf("largest relative difference %.3e (total %lld)\n", largestRel,
                static_cast<long long>(largestRelAt));
    std::printf("time %.1f s\n", seconds);
    return 0;
}
