// The module's roll routines under load, beside the floors they are judged against, and the
// command reading standard input. Prints one table and each ratio against its target
// (bench/targets.h).
//
// Every workload goes through the exported routine of the built module, loaded at run time as a
// host loads it, with its text copied into a buffer of the least size a host provides before
// every call.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/allocations.h"
#include "bench/floors.h"
#include "bench/targets.h"
#include "cli/Module.h"
#include "host/orvik.h"

extern char** environ;

namespace {

using orvik::bench::allocationsSoFar;
using orvik::bench::kBigRollPerSerialFloor;
using orvik::bench::kCommandPerInProcess;
using orvik::bench::kSmallRollPerRollFloor;

constexpr std::size_t kHostBuffer = ORVIK_MIN_HOST_BUFFER;

orvik::cli::Module module;

struct Workload {
    const char* text;
    bool sneak;
    int dice;            // dice drawn per call
    const char* answer;  // how every answer must begin
    const char* floor;   // the roll floor it is judged against, if any
    int serialGroups;    // the serial dice floor it is judged against, if any
};

const Workload kWorkloads[] = {
    {"d20+5", false, 1, "rolls a d20+5 and gets ", "d20+5", 0},
    {"2d6+3*2", false, 4, "rolls 2d6+3*2 and gets ", "2d6+3*2", 0},
    {"3d6", false, 3, "rolls 3d6 and gets ", "3d6", 0},
    {"2#d20+5", false, 2, "rolls 2#d20+5 and gets ", nullptr, 0},
    {"100d500", false, 100, "rolls 100d500 and gets ", nullptr, 1},
    {"30#100d500", false, 3000, "rolls 30#100d500 and gets ", nullptr, 30},
    {"d20 to hit the goblin", false, 1, "rolls a d20 to hit the goblin and gets ", nullptr, 0},
    {"d20x", false, 0, "Dice Error: Invalid arguments in the attempted roll", nullptr, 0},
    {"3d6 d8+2", true, 4, "rolls ( sneak attack, +3d6 ) a d8+2 and gets ", nullptr, 0},
};

// The lines the command and the in-process loop both roll, in turn.
const char* const kLineTexts[] = {"d20+5", "2d6+3*2", "3d6", "2#d20+5", "d20 to hit the goblin"};

OrvikRollFn routineOf(const Workload& w) {
    return w.sneak ? module.sneakAttack : module.diceMain;
}

std::string routineName(const Workload& w) {
    return std::string(w.sneak ? "SneakAttack" : "DiceMain") + " \"" + w.text + "\"";
}

std::string answerTo(OrvikRollFn routine, const char* text) {
    char data[kHostBuffer];
    std::snprintf(data, sizeof data, "%s", text);
    routine(nullptr, nullptr, data, nullptr, nullptr, nullptr);
    return data;
}

void routineBench(benchmark::State& state, const Workload* w) {
    const OrvikRollFn routine = routineOf(*w);
    const std::size_t size = std::strlen(w->text) + 1;
    char data[kHostBuffer];
    const std::uint64_t before = allocationsSoFar();
    for (auto _ : state) {
        std::memcpy(data, w->text, size);
        routine(nullptr, nullptr, data, nullptr, nullptr, nullptr);
        benchmark::ClobberMemory();
    }
    state.counters["allocs"] =
        static_cast<double>(allocationsSoFar() - before) / static_cast<double>(state.iterations());
}

void serialDiceBench(benchmark::State& state, int groups, int dice, int sides) {
    std::int32_t totals[30];
    std::uint32_t generator = 1u;
    for (auto _ : state) {
        benchmark::DoNotOptimize(sides);
        orvik::bench::serialDice(totals, groups, dice, sides, generator);
        benchmark::DoNotOptimize(totals);
    }
    state.counters["allocs"] = 0;
}

void rollFloorBench(benchmark::State& state, const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    char data[kHostBuffer];
    std::uint32_t generator = 1u;
    const std::uint64_t before = allocationsSoFar();
    for (auto _ : state) {
        std::memcpy(data, text, size);
        orvik::bench::rollInline(data, generator);
        benchmark::ClobberMemory();
    }
    state.counters["allocs"] =
        static_cast<double>(allocationsSoFar() - before) / static_cast<double>(state.iterations());
}

// What a plain roll's two allocations (the record's text copy and its totals) cost the allocator
// on their own, to read the gap between a roll and its floor by.
void allocatorBench(benchmark::State& state) {
    const std::uint64_t before = allocationsSoFar();
    for (auto _ : state) {
        char* text = new char[6];
        std::int32_t* totals = new std::int32_t[1]();
        benchmark::DoNotOptimize(text);
        benchmark::DoNotOptimize(totals);
        delete[] totals;
        delete[] text;
    }
    state.counters["allocs"] =
        static_cast<double>(allocationsSoFar() - before) / static_cast<double>(state.iterations());
}

const char kAllocatorName[] = "allocator: a text copy and a total";

std::string serialFloorName(int groups) {
    return "serial dice floor " + std::to_string(groups) + "x100d500";
}

std::string rollFloorName(const char* text) {
    return std::string("roll floor \"") + text + "\"";
}

// Before anything is timed: every workload answers as it must, and each floor computes exactly
// what the module does from the same state, so that each pair does the same work.
bool checkWorkloads() {
    bool ok = true;
    auto fail = [&](const std::string& what, const std::string& got, const std::string& want) {
        std::fprintf(stderr, "orvik_bench: %s: got \"%s\", expected \"%s\"\n", what.c_str(),
                     got.c_str(), want.c_str());
        ok = false;
    };
    for (const Workload& w : kWorkloads) {
        const std::string got = answerTo(routineOf(w), w.text);
        if (got.compare(0, std::strlen(w.answer), w.answer) != 0)
            fail(routineName(w), got, w.answer);
        if (w.floor != nullptr) {
            module.seed(77u);
            const std::string want = answerTo(module.diceMain, w.text);
            char data[kHostBuffer];
            std::snprintf(data, sizeof data, "%s", w.text);
            std::uint32_t generator = 77u;
            orvik::bench::rollInline(data, generator);
            if (want != data) fail(rollFloorName(w.floor), data, want);
        }
        if (w.serialGroups != 0) {
            module.seed(78u);
            const std::string want = answerTo(module.diceMain, w.text);
            std::int32_t totals[30];
            std::uint32_t generator = 78u;
            orvik::bench::serialDice(totals, w.serialGroups, 100, 500, generator);
            std::string serial = std::string("rolls ") + w.text + " and gets ";
            for (int g = 0; g < w.serialGroups; ++g) {
                serial += std::to_string(totals[g]) + (g + 1 < w.serialGroups ? ", " : ".");
            }
            if (want != serial) fail(serialFloorName(w.serialGroups), serial, want);
        }
    }
    return ok;
}

// Per benchmark, the time of each repetition and the allocations per call.
struct Timing {
    std::vector<double> ns;
    double allocs = 0;
    double best() const { return *std::min_element(ns.begin(), ns.end()); }
    double median() const {
        std::vector<double> sorted = ns;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t n = sorted.size();
        return n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
    double worst() const { return *std::max_element(ns.begin(), ns.end()); }
};

class Collector : public benchmark::BenchmarkReporter {
  public:
    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            Timing& t = timings[run.run_name.function_name];
            t.ns.push_back(run.GetAdjustedRealTime());
            const auto allocs = run.counters.find("allocs");
            if (allocs != run.counters.end()) t.allocs = allocs->second.value;
        }
    }
    std::map<std::string, Timing> timings;
};

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The in-process loop: the same lines, each copied into a host buffer and rolled.
double inProcessSeconds(const std::vector<std::string>& lines) {
    char data[kHostBuffer];
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& line : lines) {
        std::memcpy(data, line.c_str(), line.size() + 1);
        module.diceMain(nullptr, nullptr, data, nullptr, nullptr, nullptr);
        benchmark::ClobberMemory();
    }
    return secondsSince(start);
}

// A command over the lines file: standard input from the file, standard output to /dev/null.
// This build's command is handed this build's module; another build finds its own. Returns the
// wall time, or a negative value if it could not run or did not exit with 0.
double commandSeconds(const std::string& linesPath, const std::string& command) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, linesPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::string program = command;
    std::string seedFlag = "--seed=1";
    std::string moduleFlag = std::string("--module=") + ORVIK_MODULE_PATH;
    char* args[] = {program.data(), seedFlag.data(),
                    command == ORVIK_CLI_PATH ? moduleFlag.data() : nullptr, nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    const double seconds = secondsSince(start);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

struct Throughput {
    std::vector<double> inProcess;  // lines per second, one per run
    std::vector<double> command;
    std::vector<double> baseline;  // another build of the command, when one is named
};

bool measureCommand(int lineCount, int runs, const std::string& baseline, Throughput& out) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(lineCount));
    const std::size_t kinds = sizeof kLineTexts / sizeof kLineTexts[0];
    for (int i = 0; i < lineCount; ++i)
        lines.emplace_back(kLineTexts[std::size_t(i) % kinds]);

    char path[] = "/tmp/orvik-bench-lines-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return false;
    close(fd);
    {
        std::ofstream file(path, std::ios::binary);
        for (const std::string& line : lines)
            file << line << '\n';
        if (!file) {
            std::remove(path);
            return false;
        }
    }
    bool ok = true;
    // Interleaved, so that a busy spell on the machine falls on both sides alike.
    for (int run = 0; run < runs && ok; ++run) {
        out.inProcess.push_back(lineCount / inProcessSeconds(lines));
        const double seconds = commandSeconds(path, ORVIK_CLI_PATH);
        if (seconds <= 0) {
            std::fprintf(stderr, "orvik_bench: %s did not roll the lines file\n", ORVIK_CLI_PATH);
            ok = false;
        } else {
            out.command.push_back(lineCount / seconds);
        }
        if (!ok || baseline.empty()) continue;
        const double before = commandSeconds(path, baseline);
        if (before <= 0) {
            std::fprintf(stderr, "orvik_bench: %s did not roll the lines file\n", baseline.c_str());
            ok = false;
        } else {
            out.baseline.push_back(lineCount / before);
        }
    }
    std::remove(path);
    return ok;
}

std::string cpuModel() {
    std::ifstream info("/proc/cpuinfo");
    std::string line;
    while (std::getline(info, line)) {
        if (line.compare(0, 10, "model name") == 0) return line.substr(line.find(':') + 2);
    }
    return "unknown CPU";
}

std::string loadAverage() {
    std::ifstream load("/proc/loadavg");
    std::string one;
    load >> one;
    return one.empty() ? "?" : one;
}

void printRatio(const char* what, double best, double median, double target, bool atMost) {
    const bool met = atMost ? best <= target : best >= target;
    std::printf("  %-52s %6.2f %8.2f   %s %.1f  %s\n", what, best, median,
                atMost ? "<=" : ">=", target, met ? "met" : "NOT MET");
}

}  // namespace

int main(int argc, char** argv) {
    int lineCount = 1000000;
    int commandRuns = 3;
    std::string baseline;  // another build's orvik, measured beside this one's
    benchmark::Initialize(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--lines=", 8) == 0) {
            lineCount = std::max(1, std::atoi(argv[i] + 8));
        } else if (std::strncmp(argv[i], "--command-runs=", 15) == 0) {
            commandRuns = std::max(1, std::atoi(argv[i] + 15));
        } else if (std::strncmp(argv[i], "--baseline=", 11) == 0) {
            baseline = argv[i] + 11;
        } else {
            std::fprintf(stderr,
                         "usage: orvik_bench [--benchmark_...] [--lines=N] [--command-runs=N] "
                         "[--baseline=PATH_TO_ANOTHER_ORVIK]\n");
            return 2;
        }
    }

    std::string why;
    if (!orvik::cli::loadModule(ORVIK_MODULE_PATH, module, why)) {
        std::fprintf(stderr, "orvik_bench: %s\n", why.c_str());
        return 2;
    }
    if (!checkWorkloads()) return 1;
    module.seed(1u);

    for (const Workload& w : kWorkloads) {
        benchmark::RegisterBenchmark(routineName(w).c_str(), routineBench, &w);
    }
    for (int groups : {1, 30}) {
        benchmark::RegisterBenchmark(serialFloorName(groups).c_str(), serialDiceBench, groups, 100,
                                     500);
    }
    for (const Workload& w : kWorkloads) {
        if (w.floor != nullptr) {
            benchmark::RegisterBenchmark(rollFloorName(w.floor).c_str(), rollFloorBench, w.floor);
        }
    }

    std::fprintf(stderr, "orvik_bench: running; the table follows in a minute or so\n");
    benchmark::RegisterBenchmark(kAllocatorName, allocatorBench);

    const std::string loadBefore = loadAverage();
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    Throughput throughput;
    const bool commandOk = measureCommand(lineCount, commandRuns, baseline, throughput);
    const std::string loadAfter = loadAverage();

    auto timing = [&](const std::string& name) -> const Timing* {
        const auto found = collector.timings.find(name);
        return found == collector.timings.end() ? nullptr : &found->second;
    };

    std::printf("Orvik benchmark: %s, %ld CPUs, compiled by %s; load average %s before, %s after\n",
                cpuModel().c_str(), sysconf(_SC_NPROCESSORS_ONLN), __VERSION__, loadBefore.c_str(),
                loadAfter.c_str());
    const std::string workloads =
        "workload (text in a " + std::to_string(kHostBuffer) + "-byte buffer)";
    std::printf("\n  %-44s %5s %11s %11s %7s %9s %7s\n", workloads.c_str(), "dice", "ns/call",
                "median", "spread", "ns/die", "allocs");
    auto row = [&](const std::string& name, int dice) {
        const Timing* t = timing(name);
        if (t == nullptr) return;
        char perDie[32] = "-";
        if (dice > 0) std::snprintf(perDie, sizeof perDie, "%.2f", t->best() / dice);
        std::printf("  %-44s %5d %11.1f %11.1f %6.0f%% %9s %7.2f\n", name.c_str(), dice, t->best(),
                    t->median(), 100.0 * (t->worst() / t->best() - 1.0), perDie, t->allocs);
    };
    for (const Workload& w : kWorkloads)
        row(routineName(w), w.dice);
    for (int groups : {1, 30})
        row(serialFloorName(groups), groups * 100);
    for (const Workload& w : kWorkloads) {
        if (w.floor != nullptr) row(rollFloorName(w.floor), w.dice);
    }
    row(kAllocatorName, 0);
    std::printf(
        "  ns/call: best of the repetitions; spread: worst over best. allocs: operator new "
        "calls\n  per call (a dice error's exception object is allocated outside it).\n");

    auto best = [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); };
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    if (commandOk) {
        std::printf("\n  %-44s %13s %13s\n", "standard input, lines per second", "best", "median");
        std::printf("  %-44s %13.0f %13.0f\n", "in-process loop (copy + DiceMain)",
                    best(throughput.inProcess), median(throughput.inProcess));
        std::printf("  %-44s %13.0f %13.0f\n", "orvik reading a lines file, output to /dev/null",
                    best(throughput.command), median(throughput.command));
        if (!throughput.baseline.empty()) {
            std::printf("  %-44s %13.0f %13.0f\n", ("baseline " + baseline).c_str(),
                        best(throughput.baseline), median(throughput.baseline));
        }
        std::printf("  %d lines, cycling through", lineCount);
        for (const char* text : kLineTexts)
            std::printf(" \"%s\"", text);
        std::printf("; %d runs of each, interleaved.\n", commandRuns);
    }

    std::printf("\n  %-52s %6s %8s   %s\n", "ratio", "best", "median", "target");
    bool missing = false;
    auto ratio = [&](const char* what, const std::string& a, const std::string& b, double target,
                     bool atMost) {
        const Timing* ta = timing(a);
        const Timing* tb = timing(b);
        if (ta == nullptr || tb == nullptr) {
            missing = true;
            return;
        }
        printRatio(what, ta->best() / tb->best(), ta->median() / tb->median(), target, atMost);
    };
    ratio("\"30#100d500\" / serial dice floor, 3000 dice", "DiceMain \"30#100d500\"",
          serialFloorName(30), kBigRollPerSerialFloor, true);
    ratio("\"100d500\" / serial dice floor, 100 dice", "DiceMain \"100d500\"", serialFloorName(1),
          kBigRollPerSerialFloor, true);
    for (const Workload& w : kWorkloads) {
        if (w.floor == nullptr) continue;
        const std::string what = std::string("\"") + w.text + "\" / its roll floor";
        ratio(what.c_str(), routineName(w), rollFloorName(w.floor), kSmallRollPerRollFloor, true);
    }
    if (commandOk) {
        printRatio("orvik lines/s / in-process lines/s",
                   best(throughput.command) / best(throughput.inProcess),
                   median(throughput.command) / median(throughput.inProcess), kCommandPerInProcess,
                   false);
    }
    if (missing) std::printf("  (ratios whose benchmarks were filtered out are not shown)\n");
    return commandOk ? 0 : 1;
}
