// Memory running out in the middle of a roll: every allocation a roll makes is failed in turn.
// This executable replaces the global allocation operators (replaced_allocation.cpp), so it is
// kept apart from the others.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "dice/Orvik_Dice.h"
#include "host/RollRoutine.h"
#include "host/orvik.h"
#include "random/DiceRandom.h"
#include "replaced_allocation.h"

namespace {

// Counts what happens while armed; the attempt numbered failAt (from 1) throws std::bad_alloc.
struct Injector {
    bool armed = false;
    long attempts = 0;
    long allocations = 0;
    long releases = 0;
    long failAt = 0;  // 0: none fails
};
Injector injector;

}  // namespace

void* testAllocate(std::size_t size) {
    if (injector.armed) {
        ++injector.attempts;
        if (injector.attempts == injector.failAt) throw std::bad_alloc();
    }
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    if (injector.armed) ++injector.allocations;
    return p;
}

void testRelease(void* p) noexcept {
    if (p == nullptr) return;
    if (injector.armed) ++injector.releases;
    std::free(p);
}

namespace {

using Core = std::int32_t (*)(char*, std::size_t);

struct Call {
    const char* name;
    Core core;             // the capacity-bounded routine, or
    OrvikRollFn exported;  // the routine a host calls
};

const Call kCalls[] = {
    {"diceMain", orvik::host::diceMain, nullptr},
    {"sneakAttack", orvik::host::sneakAttack, nullptr},
    {"DiceMain", nullptr, DiceMain},
    {"SneakAttack", nullptr, SneakAttack},
};

// One armed call; returns the answer. The buffer is allocated before arming, as a host's is.
std::string armedCall(const Call& call, const std::string& text, long failAt) {
    std::vector<char> buffer(std::max<std::size_t>(ORVIK_MIN_HOST_BUFFER, text.size() + 1), 'x');
    std::memcpy(buffer.data(), text.c_str(), text.size() + 1);
    orvik::seedRandom(1u);
    injector = Injector{true, 0, 0, 0, failAt};
    const std::int32_t code = call.core != nullptr ? call.core(buffer.data(), buffer.size())
                                                   : call.exported(nullptr, nullptr, buffer.data(),
                                                                   nullptr, nullptr, nullptr);
    injector.armed = false;
    EXPECT_EQ(code, 3);
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

TEST(AllocationFailure, EveryAllocationOfARollFailsCleanly) {
    struct Case {
        std::size_t call;  // index into kCalls
        const char* text;
        const char* answerStart;  // of the answer when nothing fails
    } cases[] = {
        {0, "d20", "rolls "},                   // plain
        {0, "3#2d6+1*2 for damage", "rolls "},  // grouped: the group prefix is copied too
        {0, "31#d6", "Dice Error: "},           // a dice error after the allocations
        {1, "2#3d6 3#d8+2 from behind", "rolls "},
        {1, "3d6 d501", "Dice Error: "},
        {2, "3#d20", "rolls "},
        {3, "d6 d8", "rolls "},
    };
    for (const Case& c : cases) {
        const Call& call = kCalls[c.call];
        SCOPED_TRACE(std::string(call.name) + " \"" + c.text + '"');
        const std::string whole = armedCall(call, c.text, 0);
        ASSERT_EQ(whole.rfind(c.answerStart, 0), 0u) << whole;
        EXPECT_EQ(injector.allocations, injector.releases);
        const long sites = injector.attempts;
        EXPECT_GE(sites, 2);
        std::cout << "  " << call.name << " \"" << c.text << "\": " << sites << " allocations\n";
        for (long k = 1; k <= sites; ++k) {
            SCOPED_TRACE("allocation " + std::to_string(k) + " of " + std::to_string(sites));
            const std::string answer = armedCall(call, c.text, k);
            // The failing allocation is the last one tried: nothing retries or goes on.
            EXPECT_EQ(injector.attempts, k);
            EXPECT_EQ(injector.allocations, injector.releases) << "leak";
            EXPECT_NE(answer.rfind("rolls ", 0), 0u) << answer;
            // Exhausted memory is answered with an empty buffer, which no host mistakes for a
            // result or for a dice error.
            EXPECT_EQ(answer, "");
        }
    }
}

TEST(AllocationFailure, ACopyThatRunsOutOfMemoryOwnsNothing) {
    const Orvik_Dice source("3#d6 copied");
    for (long k = 1; k <= 2; ++k) {
        injector = Injector{true, 0, 0, 0, k};
        EXPECT_THROW(static_cast<void>(Orvik_Dice(source)), std::bad_alloc) << "allocation " << k;
        injector.armed = false;
        EXPECT_EQ(injector.attempts, k);
        EXPECT_EQ(injector.allocations, injector.releases) << "allocation " << k;
    }
}

}  // namespace
