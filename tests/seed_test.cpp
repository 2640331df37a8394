// The one rule for seeds that every front end reads: as text, as the command's --seed and a
// page's link give it, and as a number, as JavaScript gives it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "features/Seed.h"

namespace {

using orvik::features::seedFromNumber;
using orvik::features::seedFromText;

TEST(Seed, FromText) {
    struct Row {
        const char* text;
        bool seed;
        std::uint32_t value;
    } rows[] = {
        {"0", true, 0},
        {"1", true, 1},
        {"007", true, 7},
        {"4294967295", true, 4294967295u},
        {"00000000004294967295", true, 4294967295u},
        {"4294967296", false, 0},
        {"99999999999999999999999", false, 0},
        {"", false, 0},
        {"-0", false, 0},
        {"-1", false, 0},
        {"+16", false, 0},
        {"0x10", false, 0},
        {"1e3", false, 0},
        {"16.0", false, 0},
        {" 16", false, 0},
        {"16 ", false, 0},
        {"١٦", false, 0},  // digits of another script
    };
    for (const Row& r : rows) {
        std::uint32_t seed = 12345;
        EXPECT_EQ(seedFromText(r.text, seed), r.seed) << '"' << r.text << '"';
        EXPECT_EQ(seed, r.seed ? r.value : 12345u) << '"' << r.text << '"';
    }
}

TEST(Seed, FromNumber) {
    struct Row {
        double number;
        bool seed;
        std::uint32_t value;
    } rows[] = {
        {0.0, true, 0},
        {-0.0, true, 0},
        {16.0, true, 16},
        {1e3, true, 1000},
        {4294967295.0, true, 4294967295u},
        {4294967296.0, false, 0},
        {-1.0, false, 0},
        {0.5, false, 0},
        {4294967294.5, false, 0},
        {std::numeric_limits<double>::quiet_NaN(), false, 0},
        {std::numeric_limits<double>::infinity(), false, 0},
        {-std::numeric_limits<double>::infinity(), false, 0},
        {std::numeric_limits<double>::denorm_min(), false, 0},
    };
    for (const Row& r : rows) {
        std::uint32_t seed = 12345;
        EXPECT_EQ(seedFromNumber(r.number, seed), r.seed) << r.number;
        EXPECT_EQ(seed, r.seed ? r.value : 12345u) << r.number;
    }
}

}  // namespace
