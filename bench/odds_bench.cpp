// How long the odds of large rolls take. Run: build/odds/orvik_odds_bench
#include <benchmark/benchmark.h>

#include "odds/Distribution.h"
#include "odds/Odds.h"

namespace {

// count dice of sides faces, the distribution alone.
void BM_AddDice(benchmark::State& state) {
    const auto count = static_cast<std::int32_t>(state.range(0));
    const auto sides = static_cast<std::int32_t>(state.range(1));
    for (auto _ : state) {
        orvik::odds::Distribution totals;
        orvik::odds::addDice(totals, count, sides);
        benchmark::DoNotOptimize(totals.probability.data());
    }
    state.counters["totals"] = static_cast<double>(count) * (sides - 1) + 1;
}
BENCHMARK(BM_AddDice)
    ->Args({100, 500})
    ->Args({100, 6})
    ->Args({3, 6})
    ->Unit(benchmark::kMillisecond);

// What the command does for a text: parse, distribution, summary.
void BM_RollOdds(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(orvik::odds::rollOdds("100d500").mean);
}
BENCHMARK(BM_RollOdds)->Unit(benchmark::kMillisecond);

// The largest sneak attack: 200 dice, 99,701 totals.
void BM_SneakOdds(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(orvik::odds::sneakOdds("100d500 100d499").mean);
}
BENCHMARK(BM_SneakOdds)->Unit(benchmark::kMillisecond);

// Both reports for 100d500, which the command prints.
void BM_Reports(benchmark::State& state) {
    const orvik::odds::Odds odds = orvik::odds::rollOdds("100d500");
    const bool json = state.range(0) != 0;
    for (auto _ : state) {
        const std::string out = json ? orvik::odds::formatJson("100d500", odds)
                                     : orvik::odds::formatText("100d500", odds);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_Reports)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
