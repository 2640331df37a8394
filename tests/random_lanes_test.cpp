// The many-dice draw against the plain serial loop: every remainder it takes without dividing,
// and whole runs of groups of dice, down to the generator state each leaves behind.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "random/FaceRemainder.h"
#include "random/RandomInternal.h"
#include "testing.h"

namespace {

using orvik::randomState;
using orvik::seedRandom;
using orvik::sumOfFaces;
using orvik::testing::ReferenceLcg;

TEST(FaceRemainder, EqualsTheHardwareRemainderForEveryDrawAndEverySidesCount) {
    long long wrong = 0;
    for (std::uint32_t n = 1; n <= 500; ++n) {
        const orvik::FaceRemainder remainder(n);
        for (std::uint32_t r = 0; r <= 32767; ++r) {
            if (remainder(r) != r % n && wrong++ == 0) {
                ADD_FAILURE() << r << " % " << n << ": got " << remainder(r);
            }
            if (remainder.narrow(r) != r % n && wrong++ == 0) {
                ADD_FAILURE() << r << " % " << n << ": narrow got " << remainder.narrow(r);
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

// The plain serial loop the lanes must agree with: one step per die, the hardware remainder.
std::int32_t serialFaces(ReferenceLcg& reference, int dice, int sides) {
    std::int32_t total = 0;
    for (int d = 0; d < dice; ++d)
        total += reference.next() % sides + 1;
    return total;
}

// Every count of dice with every count of groups, each from its own seed and sides, and the
// state compared after every group so that a slip shows where it happened.
TEST(SumOfFaces, MatchesTheSerialLoopOverDiceAndGroupCounts) {
    ReferenceLcg shapes(6u);
    for (int dice = 1; dice <= 100; ++dice) {
        for (int groups = 1; groups <= 30; ++groups) {
            const std::uint32_t seed = static_cast<std::uint32_t>(shapes.next()) << 17 ^
                                       static_cast<std::uint32_t>(shapes.next());
            const int sides = shapes.next() % 500 + 1;
            seedRandom(seed);
            ReferenceLcg reference(seed);
            for (int g = 0; g < groups; ++g) {
                ASSERT_EQ(sumOfFaces(dice, sides), serialFaces(reference, dice, sides))
                    << groups << "#" << dice << "d" << sides << " from " << seed << ", group " << g;
                ASSERT_EQ(randomState(), reference.state())
                    << groups << "#" << dice << "d" << sides << " from " << seed << ", group " << g;
            }
        }
    }
}

// Every sides count the limits allow, with lane-filling and ragged dice counts.
TEST(SumOfFaces, MatchesTheSerialLoopForEverySidesCount) {
    for (int sides = 1; sides <= 500; ++sides) {
        for (int dice : {1, 7, 8, 9, 16, 63, 100}) {
            const std::uint32_t seed = 0x9E3779B9u * static_cast<std::uint32_t>(sides + dice);
            seedRandom(seed);
            ReferenceLcg reference(seed);
            ASSERT_EQ(sumOfFaces(dice, sides), serialFaces(reference, dice, sides))
                << dice << "d" << sides;
            ASSERT_EQ(randomState(), reference.state()) << dice << "d" << sides;
        }
    }
}

// The face-handing draw: each face the serial loop's, their sum and the state sumOfFaces's, over
// every dice count and lane-ragged shapes.
TEST(DrawFaces, HandsTheSerialFacesAndMovesTheGeneratorAsSumOfFaces) {
    for (int dice = 1; dice <= 100; ++dice) {
        for (int sides : {1, 6, 7, 20, 500}) {
            const std::uint32_t seed = 0x85EBCA6Bu * static_cast<std::uint32_t>(dice * 512 + sides);
            seedRandom(seed);
            const std::int32_t sum = sumOfFaces(dice, sides);
            const std::uint32_t after = randomState();
            seedRandom(seed);
            std::vector<std::int32_t> faces(static_cast<std::size_t>(dice) + 1, -1);
            ASSERT_EQ(orvik::drawFaces(dice, sides, faces.data()), sum) << dice << "d" << sides;
            ASSERT_EQ(randomState(), after) << dice << "d" << sides;
            ReferenceLcg reference(seed);
            for (int d = 0; d < dice; ++d)
                ASSERT_EQ(faces[static_cast<std::size_t>(d)], reference.next() % sides + 1)
                    << dice << "d" << sides << ", face " << d;
            ASSERT_EQ(faces.back(), -1) << dice << "d" << sides << ": wrote past its dice";
        }
    }
}

TEST(SumOfFaces, NoDiceDrawNothing) {
    for (int dice : {0, -1, -2147483647 - 1}) {
        seedRandom(12345u);
        EXPECT_EQ(sumOfFaces(dice, 6), 0) << dice;
        EXPECT_EQ(randomState(), 12345u) << dice;
        EXPECT_EQ(orvik::drawFaces(dice, 6, nullptr), 0) << dice;
        EXPECT_EQ(randomState(), 12345u) << dice;
    }
}

TEST(SumOfFaces, AFreshThreadStartsFromStateOneAndLeavesOthersAlone) {
    seedRandom(99u);
    std::int32_t total = 0;
    std::uint32_t left = 0;
    std::thread([&] {
        total = sumOfFaces(20, 6);
        left = randomState();
    }).join();
    ReferenceLcg reference(1u);
    EXPECT_EQ(total, serialFaces(reference, 20, 6));
    EXPECT_EQ(left, reference.state());
    EXPECT_EQ(randomState(), 99u);
}

}  // namespace
