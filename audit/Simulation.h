// The spread's p-value by simulation, where the chi-square's tail is not to be trusted: count
// vectors drawn from the classes' exact chances, each one's statistic against the observed, as R's
// chisq.test(simulate.p.value = TRUE) does, stopped early once enough reach it (Besag and
// Clifford's sequential p-value). The draws come from a generator of the audit's own, seeded from
// the counts, so that the same counts always give the same p-value, here and in any build: once
// seeded, every step is whole-number arithmetic.
#ifndef ORVIK_AUDIT_SIMULATION_H
#define ORVIK_AUDIT_SIMULATION_H

#include <cstdint>
#include <vector>

namespace orvik::audit {

// SplitMix64: a 64-bit counter through a mixing function. Small, fast, and plenty for drawing
// dice; the module's own generator is what is being tested, so it must not be this.
class SplitMix {
  public:
    explicit SplitMix(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = state_ += 0x9E3779B97F4A7C15u;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }

  private:
    std::uint64_t state_;
};

// Draws classes with given chances in constant time each (Walker's alias method), from whole
// numbers alone once built.
class AliasTable {
  public:
    // chances: any nonnegative scale, not all 0.
    explicit AliasTable(const std::vector<double>& chances);
    std::size_t draw(std::uint64_t random) const {
        const auto slot =
            static_cast<std::size_t>(((random >> 32) * slots_) >> 32);  // the high 32 bits
        return (random & 0xFFFFFFFFu) < threshold_[slot] ? slot : alias_[slot];
    }

  private:
    std::uint64_t slots_;
    std::vector<std::uint64_t> threshold_;  // out of 2^32
    std::vector<std::uint32_t> alias_;
};

// A seed from counts: the same counts, the same seed.
std::uint64_t seedOf(const std::vector<std::uint64_t>& counts);

struct Simulated {
    double p = 1.0;
    std::uint64_t draws = 0;    // the count vectors drawn
    std::uint64_t reached = 0;  // those whose statistic reached the observed
};

// The chance that counts of as many totals, drawn over classes expected[i] times each, spread as
// far from them as observed (by Pearson's statistic), by simulation: drawing until hits of them
// reach it, or most are drawn. Then p = hits / draws, or (reached + 1) / (most + 1): either way
// P(p <= a) <= a for every a.
Simulated simulateSpread(const std::vector<double>& expected,
                         const std::vector<std::uint64_t>& observed, std::uint64_t seed,
                         std::uint64_t most, std::uint64_t hits);

}  // namespace orvik::audit

#endif  // ORVIK_AUDIT_SIMULATION_H
