#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "random/RandomInternal.h"
#include "testing.h"

namespace {

using orvik::nextRandom;
using orvik::seedRandom;

std::vector<int> draws(int count) {
    std::vector<int> out;
    for (int i = 0; i < count; ++i)
        out.push_back(nextRandom());
    return out;
}

TEST(Random, KnownSequences) {
    struct Case {
        std::uint32_t seed;
        std::vector<int> first;
    } cases[] = {
        {1u, {346, 130, 10982}},
        {0xFFFFFFFFu, {32421, 561, 22046}},
    };
    for (const Case& c : cases) {
        seedRandom(c.seed);
        EXPECT_EQ(draws(3), c.first) << "seed " << c.seed;
    }
}

TEST(Random, ReseedingRepeatsTheSequenceAndOutputStaysIn15Bits) {
    for (std::uint32_t seed : {0u, 7u, 123456789u, 0x80000000u}) {
        seedRandom(seed);
        const std::vector<int> first = draws(5000);
        seedRandom(seed);
        EXPECT_EQ(draws(5000), first);
        orvik::testing::ReferenceLcg reference(seed);
        for (int value : first) {
            ASSERT_EQ(value, reference.next());
            ASSERT_GE(value, 0);
            ASSERT_LE(value, 32767);
        }
    }
}

TEST(Random, AFreshThreadStartsFromStateOne) {
    seedRandom(99u);  // must not reach the other thread
    std::vector<int> seen;
    std::thread([&] { seen = draws(3); }).join();
    EXPECT_EQ(seen, (std::vector<int>{346, 130, 10982}));
}

TEST(Random, ThreadsKeepTheirOwnSequences) {
    std::vector<int> a, b;
    std::thread ta([&] {
        seedRandom(5u);
        for (int i = 0; i < 20000; ++i)
            a.push_back(nextRandom());
    });
    std::thread tb([&] {
        seedRandom(6u);
        for (int i = 0; i < 20000; ++i)
            b.push_back(nextRandom());
    });
    ta.join();
    tb.join();
    seedRandom(5u);
    EXPECT_EQ(a, draws(20000));
    seedRandom(6u);
    EXPECT_EQ(b, draws(20000));
}

}  // namespace
