// The command's odds answers.
#include <gtest/gtest.h>

#include <string>

#include "features/OddsAnswers.h"
#include "odds_testing.h"
#include "print/OddsPrint.h"
#include "testing.h"

namespace {

using namespace orvik::testing;

// A text none of whose answers can fit gets what rolling it gets, whatever the dice show.
TEST(OddsRefusal, EveryAnswerRefusedIsTheModulesAnswer) {
    const TextCase cases[] = {
        {false, padded("d20 ", 600)},
        {false, padded("30#d20 ", 420)},  // even thirty single digits are too many
        {false, padded("d20 ", 507)},     // 511 bytes of text: within the 512 but no room left
        {true, padded("3d6 d8 ", 600)},
        {true, padded("3d6 30#d8 ", 420)},
        {true, "d1-2147483647-1 2#d1-2147483647-1"},
    };
    for (const auto& c : cases) {
        const std::string name = c.text.substr(0, 20);
        orvik::seedRandom(11u);
        const std::string refusal = rollOnce(c.text, c.sneak);
        for (int i = 0; i < 20; ++i)
            ASSERT_EQ(rollOnce(c.text, c.sneak), refusal) << name;
        EXPECT_EQ(refusal, kInvalid);
        for (const bool json : {false, true}) {
            orvik::features::OddsAnswers answers(c.sneak, json);
            std::string out;
            EXPECT_FALSE(answers.answer(c.text.c_str(), c.text.size(), out)) << name;
            EXPECT_EQ(out, json ? orvik::print::refusalJson(c.text, refusal.c_str()) : refusal)
                << name;
        }
    }
}

}  // namespace
