// How often the audit fails Orvik's own rolls. The generator's lowest output bits repeat with a
// short period, so the parities of a roll's successive even-sided dice follow a pattern that the
// odds, which take the dice as independent, leave out. This rolls each text through the engine's
// own routine, seeded as the command's --seed seeds the module, audits its first totals up to
// each size, and counts the seeds whose spread test and whose mean test come out at or below the
// verdict's kUnlikely. Beside it, the same dice from an independent generator (each face the same
// 15-bit output modulo the sides, plus one, so that only the independence differs) give the rate
// of chance for that text and size: on few totals the tests' own rate strays from 0.001. From the
// sizes where the module's dice fail the spread test more often than the independent ones, the
// audit's note on the generator belongs (kGeneratorPatternSample in audit/Verdict.h).
//
// Run: build/bench/orvik_generator_pattern [--seeds N] [--sizes N,N...] [TEXT | --sneak TEXT]...
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "audit/Tests.h"
#include "audit/Verdict.h"
#include "bench/options.h"
#include "features/RollText.h"
#include "host/RollRoutine.h"
#include "random/DiceRandom.h"
#include "report/AnswerReader.h"

namespace {

using orvik::audit::Observed;
using orvik::odds::Odds;

// Totals tested, as Tests::sample counts them: an audit of the first N is the command's
// `--audit --seed S --rolls R` for the R rolls whose tested totals first reach N.
const std::uint64_t kDefaultSizes[] = {10,  15,  20,   25,    30,     50,
                                       100, 300, 1000, 10000, 100000, 1000000};
constexpr std::uint64_t kLargestSize = 1000000000;

struct Text {
    std::string text;
    bool sneak = false;
};

// The commonest rolls; the shapes that showed the pattern soonest among some 1,100 tried (NdS
// for 2 to 100 dice and even sides from 2 to 500, 30 groups of d2s, and sneak attacks drawing 64
// to 512 dice a roll); and controls, whose dice have an odd number of sides or are one to a total.
struct DefaultText {
    const char* text = nullptr;
    bool sneak = false;
};
constexpr DefaultText kDefaultTexts[] = {
    {"2d6"},
    {"3d6"},
    {"4d6"},
    {"2d4"},
    {"2d8"},
    {"2d10"},
    {"2d12"},
    {"2d20"},
    {"3d20"},
    {"10d6"},
    {"5d10"},
    {"2#3d6"},
    {"2d6 d8", true},
    {"d6 2d6", true},
    {"8d2"},
    {"30#8d2"},
    {"5d4"},
    {"8d8"},
    {"16d6"},
    {"64d32"},
    {"4d8 15#4d8", true},
    {"8d16 15#8d16", true},
    {"2d5"},
    {"8d5"},
    {"d20"},
    {"30#d8"},
};

const char kUsage[] =
    "Usage: orvik_generator_pattern [--seeds N] [--sizes N,N...] [--threads N]\n"
    "                               [TEXT | --sneak TEXT]...\n"
    "Rolls each TEXT (by default common rolls, the shapes that show the generator's pattern\n"
    "soonest, and controls) through the engine from each of N seeds (seed i is i * 2654435769\n"
    "mod 2^32, for i from 1), and the same dice from an independent generator, audits the first\n"
    "totals of each up to each size, and prints per text and size how many seeds fail the spread\n"
    "test, then the mean test (p at or below 0.001), the module's rolls beside the independent\n"
    "dice's, then the time taken. A text whose answers can be refused is not measured.\n"
    "  --seeds N        seeds per text (default 1000)\n"
    "  --sizes N,N...   the sizes in totals tested, increasing (default 10,15,...,1000000)\n"
    "  --threads N      threads to share the seeds among (default 2)\n"
    "  --sneak TEXT     a sneak attack's text\n";

struct Options {
    std::vector<Text> texts;
    std::vector<std::uint64_t> sizes;
    std::uint64_t seeds = 1000;
    std::uint64_t threads = 2;
};

// Returns 0 to go on, or the exit status (-1: done, with success).
int readOptions(int argc, char** argv, Options& options) {
    const auto readSizes = [&options](const char* list) {
        for (const char* at = list;; ++at) {
            char* end = nullptr;
            const unsigned long long n = std::strtoull(at, &end, 10);
            if (end == at || *at < '0' || *at > '9' || n < 1 || n > kLargestSize ||
                (!options.sizes.empty() && n <= options.sizes.back()))
                return false;
            options.sizes.push_back(n);
            at = end;
            if (*at == '\0') return true;
            if (*at != ',') return false;
        }
    };
    struct Numbered {
        const char* name;
        std::uint64_t most;
        std::uint64_t& value;
    } const numbered[] = {
        {"--seeds", 1000000, options.seeds},
        {"--threads", 64, options.threads},
    };
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(kUsage, stdout);
            return -1;
        }
        bool read = false;
        for (const Numbered& option : numbered) {
            if (std::strcmp(arg, option.name) != 0) continue;
            if (i + 1 == argc || !readNumber(argv[i + 1], option.most, option.value)) {
                std::fprintf(stderr, "orvik_generator_pattern: %s takes a number from 1 to %llu\n",
                             arg, static_cast<unsigned long long>(option.most));
                return 2;
            }
            ++i;
            read = true;
        }
        if (read) continue;
        if (std::strcmp(arg, "--sizes") == 0) {
            if (i + 1 == argc || !readSizes(argv[i + 1])) {
                std::fprintf(stderr,
                             "orvik_generator_pattern: --sizes takes increasing numbers from 1 to "
                             "%llu, separated by commas\n",
                             static_cast<unsigned long long>(kLargestSize));
                return 2;
            }
            ++i;
        } else if (std::strcmp(arg, "--sneak") == 0 && i + 1 < argc) {
            options.texts.push_back({argv[++i], true});
        } else if (arg[0] != '-') {
            options.texts.push_back({arg, false});
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (options.sizes.empty())
        options.sizes.assign(std::begin(kDefaultSizes), std::end(kDefaultSizes));
    if (options.texts.empty())
        for (const DefaultText& text : kDefaultTexts)
            options.texts.push_back({text.text, text.sneak});
    return 0;
}

std::uint32_t seedNumber(std::uint64_t i) {
    return static_cast<std::uint32_t>(i * 2654435769u);
}

// Per text and size: the seeds whose spread test, and whose mean test, came out at or below
// kUnlikely, for the module's rolls and for the independent dice.
struct Failures {
    std::vector<std::uint64_t> spread[2], mean[2];  // text * sizes + size
    explicit Failures(std::size_t cells)
        : spread{std::vector<std::uint64_t>(cells), std::vector<std::uint64_t>(cells)},
          mean{std::vector<std::uint64_t>(cells), std::vector<std::uint64_t>(cells)} {}
};

// Audits what roll adds to seen at each size. roll counts one answer and returns the totals it
// adds to the sample.
template <class Roll>
void auditAtSizes(const Text& text, const Odds& odds, const std::vector<std::uint64_t>& sizes,
                  Roll roll, std::uint64_t* spread, std::uint64_t* mean) {
    Observed seen(odds);
    seen.refusalsCount = true;
    std::uint64_t sample = 0;
    for (std::size_t size = 0; size < sizes.size();) {
        sample += roll(seen);
        if (sample < sizes[size]) continue;
        const orvik::audit::Tests tests = orvik::audit::testTotals(odds, seen);
        if (seen.impossible > 0) {
            std::fprintf(stderr, "orvik_generator_pattern: %s: an answer no roll gives: %s\n",
                         text.text.c_str(), seen.firstImpossible.c_str());
            std::exit(1);  // NOLINT(concurrency-mt-unsafe): a broken engine ends the measuring
        }
        // Every size this answer reached: a roll of many groups passes several at once.
        for (; size < sizes.size() && sample >= sizes[size]; ++size) {
            if (tests.fit.done && tests.fit.p <= orvik::audit::kUnlikely) ++spread[size];
            if (tests.mean.done && tests.mean.p <= orvik::audit::kUnlikely) ++mean[size];
        }
    }
}

// One seed's rolls of one text through the module's routine, the answer read back and its
// totals counted exactly as features/LogAudit does.
void auditModule(const Text& text, const Odds& odds, std::uint32_t seed,
                 const std::vector<std::uint64_t>& sizes, std::uint64_t* spread,
                 std::uint64_t* mean) {
    orvik::seedRandom(seed);
    const std::size_t length = text.text.size();
    const std::size_t capacity = orvik::host::capacityFor(length);
    std::vector<char> buffer(capacity);
    orvik::LoggedAnswer answer;
    std::string prefix;
    const orvik::audit::AnswerShape shape(odds);
    const bool every = shape.everyGroup();
    const auto roll = [&](Observed& seen) -> std::uint64_t {
        std::memcpy(buffer.data(), text.text.data(), length);
        buffer[length] = '\0';
        if (text.sneak)
            orvik::host::sneakAttack(buffer.data(), capacity);
        else
            orvik::host::diceMain(buffer.data(), capacity);
        const std::string_view whole(buffer.data(), strnlen(buffer.data(), capacity));
        const bool known = !prefix.empty() && whole.substr(0, prefix.size()) == prefix &&
                           orvik::readTotals(whole.substr(prefix.size()), answer);
        if (!known &&
            !(orvik::features::isResult(whole) &&
              orvik::readLogLine(whole.data(), whole.size(), answer) == orvik::LogLine::Answer)) {
            std::fprintf(stderr, "orvik_generator_pattern: %s: not a result: %s\n",
                         text.text.c_str(), std::string(whole).c_str());
            std::exit(1);  // NOLINT(concurrency-mt-unsafe): a broken engine ends the measuring
        }
        if (!known) prefix = std::string(whole.substr(0, orvik::totalsStart(whole)));
        orvik::audit::countAnswer(shape, answer, seen);
        return every ? answer.totals.size() : 1;
    };
    auditAtSizes(text, odds, sizes, roll, spread, mean);
}

// The same dice, independent: faces from another generator, each its 15-bit output modulo the
// sides, plus one, as the module's.
void auditIndependent(const Text& text, const Odds& odds, std::uint32_t seed,
                      const std::vector<std::uint64_t>& sizes, std::uint64_t* spread,
                      std::uint64_t* mean) {
    std::mt19937 generator(seed);
    const auto sum = [&generator](const orvik::odds::DicePart& part) {
        std::int64_t total = part.modifier;
        for (std::int32_t d = 0; d < part.dice; ++d)
            total += static_cast<std::int64_t>((generator() >> 17) %
                                               static_cast<std::uint32_t>(part.sides)) +
                     1;
        return total;
    };
    const orvik::audit::AnswerShape shape(odds);
    const bool every = shape.everyGroup();
    orvik::LoggedAnswer answer;
    const auto roll = [&](Observed& seen) -> std::uint64_t {
        // Only the sneak roll's first group is added; its others are independent of the totals.
        const std::int64_t extra = odds.sneak ? sum(odds.sneakDice) : 0;
        answer.totals.clear();
        for (std::int32_t g = 0; g < odds.groups; ++g)
            answer.totals.push_back(sum(odds.roll) + extra);
        answer.totalCount = answer.totals.size();
        orvik::audit::countAnswer(shape, answer, seen);
        return every ? static_cast<std::uint64_t>(odds.groups) : 1;
    };
    auditAtSizes(text, odds, sizes, roll, spread, mean);
}

// Whether a of the module's seeds against b of the independent dice's is clearly more: with equal
// rates, a would be Binomial(a + b, 1/2); its chance of a or more is below 1e-4.
bool clearlyMore(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t n = a + b;
    // log C(n, k) 2^-n, from k = 0 up, each term from the one before.
    double logTerm = -static_cast<double>(n) * std::log(2.0);
    double tail = 0.0;
    for (std::uint64_t k = 0; k <= n; ++k) {
        if (k > 0)
            logTerm += std::log(static_cast<double>(n - k + 1)) - std::log(static_cast<double>(k));
        if (k >= a) tail += std::exp(logTerm);
    }
    return a > b && tail < 1e-4;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int status = readOptions(argc, argv, options); status != 0)
        return status < 0 ? 0 : status;

    std::vector<Odds> odds;
    for (const Text& text : options.texts) {
        try {
            odds.push_back(orvik::features::oddsOf(text.text, text.sneak));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "orvik_generator_pattern: %s: %s\n", text.text.c_str(), e.what());
            return 1;
        }
        if (odds.back().results.errorProbability > 0.0) {
            std::fprintf(stderr, "orvik_generator_pattern: %s: its answers can be refused\n",
                         text.text.c_str());
            return 1;
        }
    }
    const std::size_t sizes = options.sizes.size();
    const std::size_t cells = options.texts.size() * sizes;
    // Each thread counts its own, summed once they are done.
    std::vector<Failures> failures(options.threads, Failures(cells));
    const std::uint64_t jobs = options.texts.size() * options.seeds;
    std::atomic<std::uint64_t> next{0};
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t processorStart = std::clock();
    {
        std::vector<std::thread> workers;
        for (std::uint64_t t = 0; t < options.threads; ++t) {
            workers.emplace_back([&, t] {
                for (std::uint64_t job = next++; job < jobs; job = next++) {
                    const std::size_t text = job / options.seeds;
                    const std::uint32_t seed = seedNumber(job % options.seeds + 1);
                    Failures& mine = failures[t];
                    auditModule(options.texts[text], odds[text], seed, options.sizes,
                                &mine.spread[0][text * sizes], &mine.mean[0][text * sizes]);
                    auditIndependent(options.texts[text], odds[text], seed, options.sizes,
                                     &mine.spread[1][text * sizes], &mine.mean[1][text * sizes]);
                }
            });
        }
        for (std::thread& worker : workers)
            worker.join();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::clock_t processorEnd = std::clock();
    for (std::size_t t = 1; t < failures.size(); ++t) {
        for (int k = 0; k < 2; ++k) {
            for (std::size_t c = 0; c < cells; ++c) {
                failures[0].spread[k][c] += failures[t].spread[k][c];
                failures[0].mean[k][c] += failures[t].mean[k][c];
            }
        }
    }

    std::printf(
        "Seeds of %llu failing each test (p <= 0.001), the module's rolls / independent dice's,\n"
        "per text and size (sizes in totals tested). Chance gives about %.0f of each;\n"
        "* marks a module's count clearly above the independent dice's (a tail below 1e-4).\n",
        static_cast<unsigned long long>(options.seeds),
        static_cast<double>(options.seeds) * orvik::audit::kUnlikely);
    for (int test = 0; test < 2; ++test) {
        std::printf("\n%-16s", test == 0 ? "spread" : "mean");
        for (const std::uint64_t size : options.sizes)
            std::printf(" %10llu", static_cast<unsigned long long>(size));
        std::printf("\n");
        for (std::size_t t = 0; t < options.texts.size(); ++t) {
            const std::string name =
                (options.texts[t].sneak ? "sneak " : "") + options.texts[t].text;
            std::printf("%-16s", name.c_str());
            for (std::size_t s = 0; s < sizes; ++s) {
                const std::vector<std::uint64_t>* counts =
                    test == 0 ? failures[0].spread : failures[0].mean;
                const std::uint64_t module = counts[0][t * sizes + s];
                const std::uint64_t independent = counts[1][t * sizes + s];
                char cell[64];
                std::snprintf(cell, sizeof cell, "%s%llu/%llu",
                              clearlyMore(module, independent) ? "*" : "",
                              static_cast<unsigned long long>(module),
                              static_cast<unsigned long long>(independent));
                std::printf(" %10s", cell);
            }
            std::printf("\n");
        }
    }
    std::printf("time %.0f s (%.0f s of processor time) on %llu threads\n", seconds,
                static_cast<double>(processorEnd - processorStart) / CLOCKS_PER_SEC,
                static_cast<unsigned long long>(options.threads));
    return 0;
}
