// The built module's routines called as a 32-bit Windows host calls them, in the i386 Linux build
// whose routines take that convention (ORVIK_STDCALL): arguments pushed on the stack, and each
// routine taking exactly its own off it again.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "host/orvik.h"
#include "tests/checked_call.h"

namespace {

using orvik::test::Call;
using orvik::test::callOneArgument;
using orvik::test::callRoutine;

const void* routine(const char* name) {
    static void* const handle = dlopen(ORVIK_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return nullptr;
    return dlsym(handle, name);
}

TEST(StdcallTest, TheCheckSeesWhatARoutinePops) {
    char data[ORVIK_MIN_HOST_BUFFER] = "";
    EXPECT_EQ(callRoutine(reinterpret_cast<const void*>(&orvik::test::popsNothing), data).leftOver,
              24);
    EXPECT_EQ(callRoutine(reinterpret_cast<const void*>(&orvik::test::popsSix), data).leftOver, 0);
}

TEST(StdcallTest, EachRoutinePopsItsOwnArguments) {
    const struct {
        const char* name;
        int arguments;
    } routines[] = {{"LoadDll", 1}, {"OrvikSeed", 1}, {"DiceMain", 6}, {"SneakAttack", 6}};
    for (const auto& r : routines) {
        SCOPED_TRACE(r.name);
        const void* fn = routine(r.name);
        ASSERT_NE(fn, nullptr) << dlerror();
        char data[ORVIK_MIN_HOST_BUFFER] = "3d6 d8+2";
        const Call call =
            r.arguments == 1 ? callOneArgument(fn, orvik::test::kJunk) : callRoutine(fn, data);
        EXPECT_EQ(call.leftOver, 0);
    }
}

TEST(StdcallTest, SeededRollsAnswerAsOnEveryBuild) {
    const void* seed = routine("OrvikSeed");
    ASSERT_NE(seed, nullptr) << dlerror();
    for (const auto& roll : orvik::test::kSeededRolls) {
        SCOPED_TRACE(std::string(roll.routine) + " \"" + roll.text + "\"");
        const void* fn = routine(roll.routine);
        ASSERT_NE(fn, nullptr) << dlerror();
        callOneArgument(seed, 1u);
        char data[ORVIK_MIN_HOST_BUFFER] = "";
        std::string(roll.text).copy(data, sizeof data - 1);
        const Call call = callRoutine(fn, data);
        EXPECT_EQ(call.returned, 3u);
        EXPECT_EQ(call.leftOver, 0);
        EXPECT_STREQ(data, roll.expected);
    }
}

}  // namespace
