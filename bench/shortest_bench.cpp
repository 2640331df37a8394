// The shortest text of doubles: print/ShortestDouble's writeShortest beside the standard library's
// std::to_chars, which it stands in for where that overload is missing.
// Run: build/bench/orvik_shortest_bench
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "print/ShortestDouble.h"

namespace {

constexpr int kValues = 4096;

// SplitMix64: the same values every run.
std::uint64_t draw(std::uint64_t& state) {
    std::uint64_t z = state += 0x9e3779b97f4a7c15;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
    z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
    return z ^ (z >> 31);
}

// state.range(0) picks the values: the odds' chances (counts over 32768^n outcomes, n = 1 to 4),
// uniform draws in [0, 1), or finite doubles of every bit pattern.
std::vector<double> values(std::int64_t kind) {
    std::uint64_t state = 7;
    std::vector<double> out;
    while (out.size() < kValues) {
        double value = 0;
        if (kind == 0) {
            const std::uint64_t outcomes = std::uint64_t{1} << (15 * (1 + draw(state) % 4));
            value =
                static_cast<double>(draw(state) % (outcomes + 1)) / static_cast<double>(outcomes);
        } else if (kind == 1) {
            value = std::ldexp(static_cast<double>(draw(state) >> 11), -53);
        } else {
            const std::uint64_t bits = draw(state);
            std::memcpy(&value, &bits, sizeof value);
            if (!std::isfinite(value)) continue;
        }
        out.push_back(value);
    }
    return out;
}

void perValue(benchmark::State& state) {
    constexpr const char* kLabels[] = {"odds' chances", "uniform in [0, 1)", "bit patterns"};
    state.SetLabel(kLabels[state.range(0)]);
    state.counters["per_value"] = benchmark::Counter(
        kValues, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ToChars(benchmark::State& state) {
    const std::vector<double> input = values(state.range(0));
    char text[64];
    for (auto _ : state) {
        for (const double value : input) {
            benchmark::DoNotOptimize(std::to_chars(text, text + sizeof text, value).ptr);
            benchmark::ClobberMemory();
        }
    }
    perValue(state);
}
BENCHMARK(BM_ToChars)->DenseRange(0, 2);

void BM_WriteShortest(benchmark::State& state) {
    const std::vector<double> input = values(state.range(0));
    char text[64];
    for (auto _ : state) {
        for (const double value : input) {
            benchmark::DoNotOptimize(orvik::print::writeShortest(text, value));
            benchmark::ClobberMemory();
        }
    }
    perValue(state);
}
BENCHMARK(BM_WriteShortest)->DenseRange(0, 2);

}  // namespace

BENCHMARK_MAIN();
