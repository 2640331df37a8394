// writeShortest against the standard library's std::to_chars, byte for byte, on millions of
// doubles of every shape, each with both signs.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "print/ShortestDouble.h"

namespace {

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

double fromBits(std::uint64_t bits) {
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// A double of n decimal digits times 10^exponent, read as a program reads text: the shapes at
// every edge between fixed and scientific notation, and the exponents of two and three digits.
double decimalShaped(Draws& random) {
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
double oddsShaped(Draws& random) {
    const int draws = 1 + static_cast<int>(random() % 4);
    const std::uint64_t outcomes = std::uint64_t{1} << (15 * draws);
    return static_cast<double>(random() % (outcomes + 1)) / static_cast<double>(outcomes);
}

// The doubles around a power of ten or two, stepped away one at a time: the whole numbers past
// 2^53 and 2^64, where fixed notation prints every digit of the double.
double nearPowers(Draws& random) {
    const bool ten = random() % 2 == 0;
    double value = ten ? std::pow(10.0, static_cast<int>(random() % 24))
                       : std::ldexp(1.0, 40 + static_cast<int>(random() % 40));
    const bool up = random() % 2 == 0;
    for (auto steps = random() % 2000; steps > 0; --steps)
        value = std::nextafter(value, up ? HUGE_VAL : 0.0);
    return value;
}

// The 32-bit build's tests run under emulation, some twenty times slower: a tenth of the draws.
#if defined(__i386__)
constexpr int kShare = 10;
#else
constexpr int kShare = 1;
#endif

struct Family {
    const char* name;
    int count;
    double (*next)(Draws&);
};

constexpr Family kFamilies[] = {
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

std::string standard(double value) {
    char text[64];
    return {text, std::to_chars(text, text + sizeof text, value).ptr};
}

std::string shortest(double value) {
    char text[64];
    std::string out(text, orvik::print::writeShortest(text, value));
    EXPECT_LE(out.size(), std::size_t{orvik::print::kMaxShortestLength});
    return out;
}

TEST(ShortestDouble, MatchesToCharsByteForByte) {
    Draws random;
    for (const Family& family : kFamilies) {
        int differ = 0;
        for (int i = 0; i < family.count / kShare; ++i) {
            const double value = family.next(random);
            for (const double number : {value, -value}) {
                const std::string want = standard(number);
                const std::string got = shortest(number);
                if (got != want && ++differ <= 5)
                    ADD_FAILURE() << family.name << ": " << std::hexfloat << number << " is "
                                  << want << ", not " << got;
            }
        }
        EXPECT_EQ(differ, 0) << family.name;
    }
}

// Every power of two and of ten, and the values no random draw is sure to meet.
TEST(ShortestDouble, EdgeValues) {
    std::vector<double> values = {0.0,
                                  std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::min(),
                                  std::nextafter(std::numeric_limits<double>::min(), 0.0),
                                  std::numeric_limits<double>::denorm_min(),
                                  9007199254740993.0,
                                  12300000000000001048576.0,
                                  HUGE_VAL,
                                  std::numeric_limits<double>::quiet_NaN()};
    for (int exponent = -1074; exponent <= 1023; ++exponent)
        values.push_back(std::ldexp(1.0, exponent));
    for (int exponent = -323; exponent <= 308; ++exponent)
        values.push_back(std::strtod(("1e" + std::to_string(exponent)).c_str(), nullptr));
    for (const double value : values) {
        EXPECT_EQ(shortest(value), standard(value)) << std::hexfloat << value;
        EXPECT_EQ(shortest(-value), standard(-value)) << std::hexfloat << -value;
    }
}

}  // namespace
