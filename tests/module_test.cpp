// The built module, loaded by name and called through its exported routines as a host calls them.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/orvik.h"

namespace {

struct Module {
    void* handle = dlopen(ORVIK_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    template <class Fn>
    Fn get(const char* name) const {
        return reinterpret_cast<Fn>(dlsym(handle, name));
    }
};

const Module& module() {
    static const Module m;
    return m;
}

class ModuleTest : public ::testing::Test {
  public:
    void SetUp() override {
        ASSERT_NE(module().handle, nullptr) << dlerror();
        loadDll = module().get<OrvikLoadDllFn>("LoadDll");
        diceMain = module().get<OrvikRollFn>("DiceMain");
        sneakAttack = module().get<OrvikRollFn>("SneakAttack");
        seed = module().get<OrvikSeedFn>("OrvikSeed");
        ASSERT_TRUE(loadDll && diceMain && sneakAttack && seed);
    }

    // The answer to text in a heap buffer of exactly the size a host must provide, so that a
    // sanitizer sees any write past it.
    std::string call(OrvikRollFn routine, const std::string& text) {
        const std::size_t size = std::max<std::size_t>(ORVIK_MIN_HOST_BUFFER, text.size() + 1);
        std::unique_ptr<char[]> data(new char[size]);
        std::memcpy(data.get(), text.c_str(), text.size() + 1);
        EXPECT_EQ(routine(nullptr, nullptr, data.get(), nullptr, nullptr, nullptr), 3);
        return std::string(data.get(), strnlen(data.get(), size));
    }
    std::string roll(const std::string& text) { return call(diceMain, text); }

    OrvikLoadDllFn loadDll = nullptr;
    OrvikRollFn diceMain = nullptr;
    OrvikRollFn sneakAttack = nullptr;
    OrvikSeedFn seed = nullptr;
};

TEST_F(ModuleTest, ARollOnAFreshThreadStartsFromStateOne) {
    std::vector<std::string> answers;
    std::thread([&] {
        for (int i = 0; i < 3; ++i)
            answers.push_back(roll("d20"));
    }).join();
    EXPECT_EQ(answers,
              (std::vector<std::string>{"rolls a d20 and gets 7.", "rolls a d20 and gets 11.",
                                        "rolls a d20 and gets 3."}));
}

TEST_F(ModuleTest, ThreadsRollingAtOnceKeepTheirOwnSequences) {
    // Thread 0 never seeds, so it runs from state 1; the others seed differently. Each thread's
    // answers must equal the same rolls made alone afterwards from the same seed.
    constexpr int kThreads = 8;
    constexpr int kRolls = 300;
    const char* const texts[] = {"d20", "3#2d6+1", "100d500", "d6-3*2 hits", "30#d4"};
    auto rollAll = [&](std::vector<std::string>& out) {
        for (int r = 0; r < kRolls; ++r) {
            const char* text = texts[r % 5];
            out.push_back(r % 7 == 0 ? call(sneakAttack, std::string("2d6 ") + text) : roll(text));
        }
    };
    auto seedOf = [](int t) { return t == 0 ? 1u : 1000003u * static_cast<std::uint32_t>(t); };
    std::vector<std::vector<std::string>> seen(kThreads);
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            if (t != 0) seed(seedOf(t));
            // Start together, so that the rolls really overlap.
            ++ready;
            while (ready.load() < kThreads)
                std::this_thread::yield();
            rollAll(seen[static_cast<std::size_t>(t)]);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t) {
        seed(seedOf(t));
        std::vector<std::string> alone;
        rollAll(alone);
        EXPECT_EQ(seen[static_cast<std::size_t>(t)], alone) << "thread " << t;
    }
}

TEST_F(ModuleTest, AnswersAndMessages) {
    struct Case {
        OrvikRollFn ModuleTest::*routine;
        const char* text;
        const char* expected;
    } cases[] = {
        {&ModuleTest::diceMain, "d20+5", "rolls a d20+5 and gets 12."},
        {&ModuleTest::diceMain, "d20+5x", "Dice Error: Invalid arguments in the attempted roll"},
        {&ModuleTest::diceMain, "101d6", "Dice Error: Maximum of 100 dice per roll."},
        {&ModuleTest::diceMain, "", "Dice Error: Invalid arguments in the attempted roll"},
        {&ModuleTest::sneakAttack, "3d6 d8+2", "rolls ( sneak attack, +3d6 ) a d8+2 and gets 18."},
        {&ModuleTest::sneakAttack, "3d6", "Dice Error: Invalid format for sneak attack roll"},
    };
    for (const Case& c : cases) {
        seed(1u);
        EXPECT_EQ(call(this->*c.routine, c.text), c.expected) << c.text;
    }
}

TEST_F(ModuleTest, RollsContinueOneSequence) {
    seed(1u);
    EXPECT_EQ(roll("d20"), "rolls a d20 and gets 7.");
    EXPECT_EQ(roll("d20"), "rolls a d20 and gets 11.");
    EXPECT_EQ(call(sneakAttack, "d20 d20"), "rolls ( sneak attack, +d20 ) a d20 and gets 14.");
}

TEST_F(ModuleTest, LoadDllSeedsFromTheClock) {
    // Three d500 faces identify the seed among the seconds around the call. time() may read a
    // coarser clock than the module's, a little behind it at a second's turn: one second more.
    const std::time_t before = std::time(nullptr);
    loadDll(nullptr);
    const std::string a = roll("3#d500");
    const std::time_t after = std::time(nullptr) + 1;
    bool found = false;
    for (std::time_t t = before; t <= after && !found; ++t) {
        seed(static_cast<std::uint32_t>(t));
        found = roll("3#d500") == a;
    }
    EXPECT_TRUE(found) << a;
    // A second LoadDll starts over from the clock, not from where the sequence stood.
    seed(12345u);
    loadDll(nullptr);
    const std::string b = roll("3#d500");
    const std::time_t then = std::time(nullptr);
    bool again = false;
    for (std::time_t t = then - 1; t <= then + 1 && !again; ++t) {
        seed(static_cast<std::uint32_t>(t));
        again = roll("3#d500") == b;
    }
    EXPECT_TRUE(again) << b;
}

TEST_F(ModuleTest, LongTextsStayInsideTheirBuffer) {
    seed(1u);
    const std::string story(2000, 'x');
    // The sentence is longer than the buffer that held the text: refused whole.
    EXPECT_EQ(roll("d20 " + story), "Dice Error: Invalid arguments in the attempted roll");
    EXPECT_EQ(call(sneakAttack, "d4 d20 " + story),
              "Dice Error: Invalid arguments in the attempted roll");
    // Short free text still fits in the least room every host buffer has.
    const std::string note(400, 'y');
    EXPECT_EQ(roll("d20 " + note), "rolls a d20 " + note + " and gets 11.");
}

}  // namespace
