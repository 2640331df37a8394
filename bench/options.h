// What the measuring programs read from their command lines.
#ifndef ORVIK_BENCH_OPTIONS_H
#define ORVIK_BENCH_OPTIONS_H

#include <cstdint>
#include <cstdlib>

// s as a whole number from 1 to most, into out; false when it is not one.
inline bool readNumber(const char* s, std::uint64_t most, std::uint64_t& out) {
    if (*s < '0' || *s > '9') return false;
    char* end = nullptr;
    const unsigned long long n = std::strtoull(s, &end, 10);
    if (*end != '\0' || n < 1 || n > most) return false;
    out = n;
    return true;
}

#endif  // ORVIK_BENCH_OPTIONS_H
