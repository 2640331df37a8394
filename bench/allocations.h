// Counts the calling thread's allocations through operator new, the module's included.
#ifndef ORVIK_BENCH_ALLOCATIONS_H
#define ORVIK_BENCH_ALLOCATIONS_H

#include <cstdint>

namespace orvik::bench {

std::uint64_t allocationsSoFar() noexcept;

}  // namespace orvik::bench

#endif  // ORVIK_BENCH_ALLOCATIONS_H
