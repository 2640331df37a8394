// The odds as people and scripts read them.
#include <gtest/gtest.h>

#include <algorithm>
#include <iomanip>
#include <sstream>
#include <string>

#include "odds/Odds.h"
#include "odds_testing.h"
#include "print/OddsPrint.h"

namespace {

using namespace orvik::testing;

TEST(Odds, TextReportOfAFewTotalsListsThemAll) {
    const std::string report = orvik::print::oddsText("d3", orvik::odds::rollOdds("d3"));
    EXPECT_EQ(report,
              "d3\n"
              "  1 group: d3\n"
              "  minimum 1, maximum 3, mean 2.0000, standard deviation 0.8165\n"
              "  total   P(total) P(at least)\n"
              "      1   33.3344%   100.0000%  ████████████████████████████████████████\n"
              "      2   33.3344%    66.6656%  ████████████████████████████████████████\n"
              "      3   33.3313%    33.3313%  ████████████████████████████████████████");
}

TEST(Odds, TextReportOfManyTotalsIsCondensed) {
    const std::string report = orvik::print::oddsText("100d500", orvik::odds::rollOdds("100d500"));
    EXPECT_LE(std::count(report.begin(), report.end(), '\n'), 60);
    EXPECT_NE(report.find("carry at least 99.9% of the chance"), std::string::npos);
    EXPECT_NE(report.find("ranges of 200"), std::string::npos);
    EXPECT_NE(report.find("\n        ≤20227    0.0499%   100.0000%"), std::string::npos) << report;
    EXPECT_NE(report.find("\n        ≥29688    0.0499%     0.0499%"), std::string::npos) << report;
}

TEST(OddsRefusal, ReportsSayWhyAndHowOften) {
    const std::string text = padded("30#d20 ", 380);
    const orvik::odds::Odds odds = orvik::odds::rollOdds(text.c_str());
    std::ostringstream chance;
    chance << std::fixed << std::setprecision(4) << odds.results.errorProbability * 100 << '%';
    const std::string report = orvik::print::oddsText(text, odds);
    EXPECT_NE(report.find("with chance " + chance.str() +
                          " (a sentence longer than the host buffer of 512 bytes holds)"),
              std::string::npos)
        << report;
    const std::string json = orvik::print::oddsJson(text, odds);
    EXPECT_NE(json.find(",\"p_error\":0.1"), std::string::npos) << json.substr(0, 700);

    const orvik::odds::Odds both = orvik::odds::sneakOdds("d6-2147483647-1 30#d6-3");
    EXPECT_TRUE(both.results.tooLow);
    EXPECT_FALSE(both.results.tooLong);
    EXPECT_NE(orvik::print::oddsText("", both).find("(a combined total below -2147483648)"),
              std::string::npos);
}

}  // namespace
