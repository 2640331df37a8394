// A stream of doubles of every shape, the same on every machine and in every build (its draws
// are integers, its arithmetic correctly rounded): the shortest-double test's values, and those
// whose texts two builds compare by digest (shortest_digest.cpp).
#ifndef ORVIK_TESTS_DOUBLE_STREAM_H
#define ORVIK_TESTS_DOUBLE_STREAM_H

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace orvik::testing {

// SplitMix64: the same draws every run, on every machine.
class Draws {
  public:
    std::uint64_t operator()() {
        std::uint64_t z = state_ += 0x9e3779b97f4a7c15;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
        z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
        return z ^ (z >> 31);
    }

  private:
    std::uint64_t state_ = 0;
};

inline double fromBits(std::uint64_t bits) {
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// A double of n decimal digits times 10^exponent, read as a program reads text: the shapes at
// every edge between fixed and scientific notation, and the exponents of two and three digits.
inline double decimalShaped(Draws& random) {
    const int digits = 1 + static_cast<int>(random() % 17);
    const int exponent = -324 - digits + static_cast<int>(random() % (634 + 1));
    std::string text(1, static_cast<char>('1' + random() % 9));
    for (int i = 1; i < digits; ++i)
        text += static_cast<char>('0' + random() % 10);
    text += 'e' + std::to_string(exponent);
    double value = std::strtod(text.c_str(), nullptr);
    // A neighbour as often as the value itself: the same digits no longer read back.
    for (auto steps = random() % 3; steps > 0; --steps)
        value = std::nextafter(value, random() % 2 == 0 ? 0.0 : HUGE_VAL);
    return value;
}

// The chances the odds print: counts over the generator's 32768 outcomes a draw, n draws deep.
inline double oddsShaped(Draws& random) {
    const int draws = 1 + static_cast<int>(random() % 4);
    const std::uint64_t outcomes = std::uint64_t{1} << (15 * draws);
    return static_cast<double>(random() % (outcomes + 1)) / static_cast<double>(outcomes);
}

// The doubles around a power of ten or two, stepped away one at a time: the whole numbers past
// 2^53 and 2^64, where fixed notation prints every digit of the double.
inline double nearPowers(Draws& random) {
    const bool ten = random() % 2 == 0;
    double value = ten ? std::pow(10.0, static_cast<int>(random() % 24))
                       : std::ldexp(1.0, 40 + static_cast<int>(random() % 40));
    const bool up = random() % 2 == 0;
    for (auto steps = random() % 2000; steps > 0; --steps)
        value = std::nextafter(value, up ? HUGE_VAL : 0.0);
    return value;
}

struct Family {
    const char* name;
    int count;
    double (*next)(Draws&);
};

inline constexpr Family kFamilies[] = {
    {"bit patterns", 2'000'000, [](Draws& r) { return fromBits(r()); }},
    {"uniform in [0, 1)", 1'000'000,
     [](Draws& r) { return std::ldexp(static_cast<double>(r() >> 11), -53); }},
    {"subnormals", 500'000,
     [](Draws& r) { return fromBits(r() & ((std::uint64_t{1} << 52) - 1)); }},
    {"decimal shapes", 1'000'000, decimalShaped},
    {"odds' chances", 1'000'000, oddsShaped},
    {"quotients of small integers", 1'000'000,
     [](Draws& r) {
         return static_cast<double>(r() % 10'000'000) / static_cast<double>(1 + r() % 10'000);
     }},
    {"near powers of ten and two", 200'000, nearPowers},
};

}  // namespace orvik::testing

#endif  // ORVIK_TESTS_DOUBLE_STREAM_H
