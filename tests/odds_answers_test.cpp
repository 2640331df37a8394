// The command's odds answers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "features/OddsAnswers.h"
#include "odds_testing.h"
#include "print/Json.h"
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

// What the page draws is the JSON's table: the head and the columns, written as the JSON writes
// its totals, are that answer byte for byte, refusals included.
TEST(OddsColumns, AreTheJsonTable) {
    const TextCase cases[] = {
        {false, "3d6"},
        {false, "100d500"},
        {true, "3d6 2#d8+2"},
        {false, padded("30#d20 ", 380)},
        {true, padded("100d500 100d499 ", 455)},
        {false, "d6x"},
        {false, padded("d20 ", 600)},
    };
    for (const auto& c : cases) {
        const std::string name = c.text.substr(0, 20);
        std::string json;
        const bool result =
            orvik::features::OddsAnswers(c.sneak, true).answer(c.text.c_str(), c.text.size(), json);
        std::string head;
        std::vector<double> columns;
        ASSERT_EQ(
            orvik::features::oddsColumns(c.text.c_str(), c.text.size(), c.sneak, head, columns),
            result)
            << name;
        if (!result) {
            EXPECT_EQ(head, json) << name;
            EXPECT_TRUE(columns.empty()) << name;
            continue;
        }
        ASSERT_EQ(columns.size() % 3, 0u) << name;
        const std::size_t n = columns.size() / 3;
        const long long lowest =
            std::strtoll(head.c_str() + head.find("\"min\":") + 6, nullptr, 10);
        std::string rebuilt = head.substr(0, head.size() - 1) + ",\"totals\":[";
        for (std::size_t i = 0; i < n; ++i) {
            rebuilt += i > 0 ? ",{\"total\":" : "{\"total\":";
            orvik::print::appendNumber(rebuilt, lowest + static_cast<long long>(i));
            const char* keys[] = {",\"p\":", ",\"at_least\":", ",\"at_most\":"};
            for (std::size_t k = 0; k < 3; ++k) {
                rebuilt += keys[k];
                orvik::print::appendNumber(rebuilt, columns[k * n + i]);
            }
            rebuilt += '}';
        }
        EXPECT_EQ(rebuilt + "]}", json) << name;
    }
}

}  // namespace
