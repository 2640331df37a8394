// The shortest text that reads back as the same double, for standard libraries without the C++17
// std::to_chars for floating point (libc++ before 14, which WebAssembly builds use).
#ifndef ORVIK_PRINT_SHORTESTDOUBLE_H
#define ORVIK_PRINT_SHORTESTDOUBLE_H

namespace orvik::print {

// The most bytes writeShortest writes, as in "-2.2250738585072014e-308".
inline constexpr int kMaxShortestLength = 24;

// Writes value at out, with no terminator, and returns the end: byte for byte what
// std::to_chars(out, end, value) writes. The fewest digits that read back exactly (the nearest such
// when several do), in fixed or scientific notation, whichever is shorter, fixed on a tie; "inf",
// "nan" and "0" with a "-" when the sign bit is set.
char* writeShortest(char* out, double value);

}  // namespace orvik::print

#endif  // ORVIK_PRINT_SHORTESTDOUBLE_H
