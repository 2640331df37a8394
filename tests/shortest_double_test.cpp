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
#include "tests/double_stream.h"

namespace {

using namespace orvik::testing;

// The 32-bit build's tests run under emulation, some twenty times slower: a tenth of the draws.
#if defined(__i386__)
constexpr int kShare = 10;
#else
constexpr int kShare = 1;
#endif

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
