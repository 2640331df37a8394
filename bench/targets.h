// The speed targets the benchmark judges the module by. They are written here and nowhere else:
// bench/orvik_bench.cpp prints each ratio against them, and doc/DEVELOPING.md's Benchmarks
// section explains them. Each shaped the code it names.
#ifndef ORVIK_BENCH_TARGETS_H
#define ORVIK_BENCH_TARGETS_H

namespace orvik::bench {

// A big roll (100d500, 30#100d500) through DiceMain, against the serial dice floor for as many
// dice: at most half. The generator is a chain of multiply-adds, so a loop drawing die after die
// can only reach the floor; this target is why the generator draws in independent lanes
// (random/DiceRandom.cpp) and takes faces by a precomputed reciprocal (random/FaceRemainder.h).
inline constexpr double kBigRollPerSerialFloor = 0.5;

// A small roll (d20+5, 2d6+3*2, 3d6) through DiceMain, against its roll floor: at most twice.
// Its steps live in separate files; this target is why the module is linked with link-time
// optimisation (CMakeLists.txt, ORVIK_MODULE_LTO).
inline constexpr double kSmallRollPerRollFloor = 2.0;

// Lines per second of orvik reading standard input, against the same rolls in process: at least
// 0.7, so that the command's reading and writing cost little beside the rolls themselves.
inline constexpr double kCommandPerInProcess = 0.7;

}  // namespace orvik::bench

#endif  // ORVIK_BENCH_TARGETS_H
