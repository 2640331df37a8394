// How long the odds of large rolls take, and a roll with its faces.
// Run: build/bench/orvik_odds_bench
#include <benchmark/benchmark.h>

#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "cli/Auditing.h"
#include "cli/Module.h"
#include "cli/Output.h"
#include "cli/Rolling.h"
#include "features/OddsAnswers.h"
#include "odds/Distribution.h"
#include "odds/Odds.h"
#include "print/OddsPrint.h"
#include "report/AnswerReader.h"

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
        const std::string out = json ? orvik::print::oddsJson("100d500", odds)
                                     : orvik::print::oddsText("100d500", odds);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_Reports)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// What the command does for one text of 100d500, the whole run from the text to the report:
// state.range(0) asks for the table (0), the groups reaching 25000 (1), or a contest against
// 100d500 (2: the same text, whose odds serve both sides) or against 100d499 (3: two texts, two
// distributions); state.range(1) for JSON.
void BM_Answer(benchmark::State& state) {
    orvik::features::Question question;
    const auto asked = state.range(0);
    if (asked == 1) {
        question.kind = orvik::features::Question::Kind::AtLeast;
        question.target = 25000;
    } else if (asked >= 2) {
        question.kind = orvik::features::Question::Kind::Versus;
        question.versus = asked == 2 ? "100d500" : "100d499";
    }
    const bool json = state.range(1) != 0;
    std::string out;
    for (auto _ : state) {
        orvik::features::OddsAnswers answers(false, json, question);
        answers.answer("100d500", 7, out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_Answer)
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}})
    ->ArgNames({"question", "json"})
    ->Unit(benchmark::kMillisecond);

// The JSON table of a big roll's odds, from the text to the line: the very call the WebAssembly
// build's odds() makes, which web/bench/bench.mjs times there.
void BM_AnswerJson(benchmark::State& state) {
    static const char* const kTexts[] = {"100d500", "30#100d500"};
    const std::string text = kTexts[state.range(0)];
    std::string out;
    for (auto _ : state) {
        orvik::features::OddsAnswers answers(false, true);
        answers.answer(text.data(), text.size(), out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetLabel(text);
}
BENCHMARK(BM_AnswerJson)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

// Runs body(module, out) with the built module loaded and output to /dev/null, or skips the
// benchmark saying why the module cannot be loaded.
template <typename Body>
void withModule(benchmark::State& state, Body body) {
    orvik::cli::Module module;
    std::string why;
    if (!orvik::cli::loadModule(ORVIK_MODULE_PATH, module, why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    const int devNull = open("/dev/null", O_WRONLY);
    {
        orvik::cli::Output out(devNull);
        body(module, out);
        out.flush();
    }
    close(devNull);
}

// What the command does for one roll of 100d500 with --dice (state.range(0) = 0) or --json (1):
// the module's roll, the same roll rebuilt in this process, its faces found and the line
// written.
void BM_DiceRoll(benchmark::State& state) {
    withModule(state, [&state](orvik::cli::Module& module, orvik::cli::Output& out) {
        constexpr std::uint32_t kSeed = 1;
        module.seed(kSeed);
        using Form = orvik::features::FaceRolls::Form;
        orvik::cli::FaceAnswerer answerer(
            module.diceMain, false, state.range(0) != 0 ? Form::Json : Form::Faces, kSeed, out);
        for (auto _ : state) {
            if (answerer.answer("100d500", 7) != orvik::cli::Outcome::Result) {
                state.SkipWithError("the roll was not followed");
                break;
            }
        }
    });
}
BENCHMARK(BM_DiceRoll)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// orvik --audit --seed 1 TEXT: a million rolls through the module, the odds once, the tests and
// the report. The target: d20 well under a second.
void BM_Audit(benchmark::State& state) {
    static const char* const kTexts[] = {"d20", "3#d20+5", "3d6 d8+2"};
    const char* text = kTexts[state.range(0)];
    const bool sneak = state.range(0) == 2;
    withModule(state, [&](orvik::cli::Module& module, orvik::cli::Output& out) {
        const std::vector<const char*> texts{text};
        for (auto _ : state) {
            module.seed(1);
            const int status = orvik::cli::auditTexts(
                texts, 1000000, sneak, sneak ? module.sneakAttack : module.diceMain,
                orvik::features::AuditForm::Text, orvik::odds::Faces::Orvik, out);
            benchmark::DoNotOptimize(status);
        }
    });
    state.SetLabel(text);
}
BENCHMARK(BM_Audit)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// One line of a game's log read for its answer, per line.
void BM_ReadLogLine(benchmark::State& state) {
    const std::string line =
        "[20:01] <Ann> rolls ( sneak attack, +3d6 ) a d8+2 from behind and gets 15.";
    orvik::LoggedAnswer answer;
    for (auto _ : state) {
        benchmark::DoNotOptimize(orvik::readLogLine(line.data(), line.size(), answer));
    }
}
BENCHMARK(BM_ReadLogLine);

}  // namespace

BENCHMARK_MAIN();
