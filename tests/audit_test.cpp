// The audit's maths on small hand-checked samples: how classes are pooled, the statistics and
// their degrees of freedom, refused and impossible answers, and how p-values are written; and how
// a long audit of rolls is followed and stopped.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "audit/Tests.h"
#include "audit/Verdict.h"
#include "features/LogAudit.h"
#include "features/RollAudit.h"
#include "odds/Odds.h"
#include "print/AuditPrint.h"
#include "print/ProgressPrint.h"

namespace {

using namespace orvik::audit;
using orvik::odds::rollOdds;
using orvik::odds::sneakOdds;
using orvik::print::formatP;

// An Observed for odds with counts[i] totals of lowest + i.
Observed observedOf(const Odds& odds, const std::vector<std::uint64_t>& counts) {
    Observed seen(odds);
    EXPECT_EQ(seen.counts.size(), counts.size());
    seen.counts = counts;
    seen.answers = std::accumulate(counts.begin(), counts.end(), std::uint64_t{0});
    return seen;
}

// What every fit must keep: classes in order that cover the totals once, each expected at least
// 5 times, and the observed and expected counts summing to the sample.
void expectWellPooled(const Odds& odds, const Tests& a) {
    const FitTest& fit = a.fit;
    ASSERT_FALSE(fit.classes.empty());
    std::int64_t next = odds.results.totals.lowest;
    std::uint64_t observed = 0;
    double expected = 0.0;
    for (const FitClass& c : fit.classes) {
        EXPECT_GE(c.expected, kFewestExpected) << c.from << ".." << c.to;
        observed += c.observed;
        expected += c.expected;
        if (!c.totals) continue;
        EXPECT_EQ(c.from, next);
        EXPECT_LE(c.from, c.to);
        next = c.to + 1;
    }
    EXPECT_EQ(next, odds.results.totals.highest() + 1) << "the classes leave totals out";
    EXPECT_EQ(observed, a.sample);
    EXPECT_NEAR(expected, static_cast<double>(a.sample), 1e-9 * static_cast<double>(a.sample));
    EXPECT_EQ(fit.degrees, static_cast<std::int64_t>(fit.classes.size()) - 1);
}

// 3d6 with its counts out of 216: the low end pools 3..5 (1 + 3 + 6), the top end leaves 17..18
// (3 + 1) over, which joins 16 below it rather than standing as a class of 4.
TEST(Audit, ThinTailsPooledAtBothEnds) {
    const Odds odds = rollOdds("3d6");
    const Observed seen =
        observedOf(odds, {1, 3, 6, 10, 15, 21, 25, 27, 27, 25, 21, 15, 10, 6, 3, 1});
    const Tests a = testTotals(odds, seen);
    EXPECT_EQ(a.sample, 216u);
    expectWellPooled(odds, a);
    ASSERT_EQ(a.fit.classes.size(), 12u);
    EXPECT_EQ(a.fit.classes.front().from, 3);
    EXPECT_EQ(a.fit.classes.front().to, 5);
    EXPECT_EQ(a.fit.classes.front().observed, 10u);
    EXPECT_EQ(a.fit.classes[1].from, 6);
    EXPECT_EQ(a.fit.classes[1].to, 6);
    EXPECT_EQ(a.fit.classes.back().from, 16);
    EXPECT_EQ(a.fit.classes.back().to, 18);
    EXPECT_EQ(a.fit.classes.back().observed, 10u);
    EXPECT_TRUE(a.fit.done);
    EXPECT_EQ(a.fit.degrees, 11);
    // The counts are the fair dice's, and the module's faces of a d6 are fair to 1 in 5000.
    EXPECT_LT(a.fit.statistic, 0.01);
    EXPECT_GT(a.p, 0.99);
}

// d4 is exactly fair (32768 outputs share evenly among 4 faces), so every figure can be worked
// by hand: 40 totals, expected 10 each, observed 4, 10, 12, 14.
//   chi-square = (36 + 0 + 4 + 16) / 10 = 5.6 on 3 degrees: p = 0.132778...
//   mean = 116 / 40 = 2.9 against 2.5, standard error sqrt(1.25 / 40): z = 2.2627; its exact p
//   is P(|S - 100| >= 16) for S the sum of 40 fair d4s, 0.0255... (audit_exact_test.cpp counts
//   it), not the normal's 0.023652
//   the text's p: the smaller doubled, 0.0510...
TEST(Audit, HandWorkedStatistics) {
    const Odds odds = rollOdds("d4");
    const Tests a = testTotals(odds, observedOf(odds, {4, 10, 12, 14}));
    ASSERT_TRUE(a.fit.done);
    ASSERT_EQ(a.fit.classes.size(), 4u);
    EXPECT_NEAR(a.fit.statistic, 5.6, 1e-12);
    EXPECT_EQ(a.fit.degrees, 3);
    EXPECT_NEAR(a.fit.p, 0.13277835802223115, 1e-12);
    ASSERT_TRUE(a.mean.done);
    EXPECT_NEAR(a.mean.observed, 2.9, 1e-12);
    EXPECT_NEAR(a.mean.expected, 2.5, 1e-12);
    EXPECT_NEAR(a.mean.standardError, std::sqrt(1.25 / 40.0), 1e-12);
    EXPECT_NEAR(a.mean.z, 2.2627416997969525, 1e-9);
    EXPECT_TRUE(a.mean.exact);
    EXPECT_GT(a.mean.p, 0.0236516);  // the normal's is too small here
    EXPECT_EQ(a.p, 2.0 * a.mean.p);  // the smaller of the two, doubled

    // Two classes: the chi-square is z squared; the mean's exact p is the binomial's,
    // P(|S - 50| >= 10) for S of Binomial(100, 1/2): 0.056887... A large modifier costs the mean
    // no digits.
    const Odds shifted = rollOdds("d2+1000");
    const Tests b = testTotals(shifted, observedOf(shifted, {60, 40}));
    ASSERT_TRUE(b.fit.done && b.mean.done);
    EXPECT_EQ(shifted.results.totals.lowest, 1001);
    EXPECT_NEAR(b.fit.statistic, 4.0, 1e-12);
    EXPECT_NEAR(b.mean.z * b.mean.z, b.fit.statistic, 1e-9);
    EXPECT_NEAR(b.fit.p, 0.04550026389635844, 1e-12);
    EXPECT_NEAR(b.mean.p, 0.056887933640945, 1e-12);
    EXPECT_NEAR(b.p, 2.0 * 0.04550026389635844, 1e-12);
}

// When a test cannot be done, or an answer cannot be Orvik's.
TEST(Audit, TooFewAndImpossible) {
    struct Row {
        const char* text;
        std::vector<std::uint64_t> counts;
        bool meanDone, fitDone;
    } rows[] = {
        {"d20", std::vector<std::uint64_t>(20, 0), false, false},
        {"d20", {1, 0, 2, 0, 1, 0, 0, 1, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0}, false, false},
        // 29 totals: too few for the mean, but two classes of 14.5 expected.
        {"d2", {15, 14}, false, true},
        // Every roll gives 7: nothing varies, nothing to test.
        {"d1+6", {1000}, false, false},
    };
    for (const Row& r : rows) {
        const Odds odds = rollOdds(r.text);
        const Tests a = testTotals(odds, observedOf(odds, r.counts));
        EXPECT_EQ(a.mean.done, r.meanDone) << r.text;
        EXPECT_EQ(a.fit.done, r.fitDone) << r.text;
        if (r.fitDone) {
            EXPECT_EQ(a.p, a.fit.p) << r.text;
        } else {
            EXPECT_TRUE(std::isnan(a.p)) << r.text;
        }
    }

    // An answer no roll gives makes p 0, however fair the rest; it is counted once, however many
    // of its totals no roll gives, and named by the first; the totals a roll can give still
    // count where they are tested (here only the first group's, of a sneak attack's).
    const Odds sneak = sneakOdds("d4 2#d20");
    const AnswerShape shape(sneak);
    Observed seen =
        observedOf(sneak, std::vector<std::uint64_t>(sneak.results.totals.probability.size(), 0));
    const std::vector<std::int64_t> answers[] = {{5, 24}, {25, 26}, {24, 0}, {3}, {7, 7}};
    for (const std::vector<std::int64_t>& totals : answers) {
        orvik::LoggedAnswer answer;
        answer.totals = totals;
        answer.totalCount = totals.size();
        countAnswer(shape, answer, seen);
    }
    EXPECT_EQ(seen.answers, 5u);
    EXPECT_EQ(seen.impossible, 3u);  // 25, 26; then 0; then one total for two groups
    EXPECT_EQ(seen.firstImpossible, "25");
    EXPECT_EQ(std::accumulate(seen.counts.begin(), seen.counts.end(), std::uint64_t{0}), 3u);
    EXPECT_EQ(seen.counts[5 - 2], 1u);
    EXPECT_EQ(seen.counts[24 - 2], 1u);
    EXPECT_EQ(testTotals(sneak, seen).p, 0.0);

    // Named with the right plurals.
    Observed one(sneak);
    orvik::LoggedAnswer three;
    three.totals = {5, 6, 7};
    three.totalCount = 3;
    countAnswer(shape, three, one);
    EXPECT_EQ(one.firstImpossible, "3 totals for 2 groups");
    const Odds d20 = rollOdds("d20");
    Observed single(d20);
    countAnswer(AnswerShape(d20), three, single);
    EXPECT_EQ(single.firstImpossible, "3 totals for 1 group");
}

// "d20 " and 487 more characters: totals of one digit fit the 512-byte buffer, 10 to 20 do not
// and are refused. "d100 " and 485: only 100 is refused.
TEST(Audit, RefusedAnswersAClassOfTheirOwnWhenExpectedFiveTimes) {
    struct Row {
        std::string text;
        std::uint64_t perTotal;  // observed of each total that can be a result
        std::uint64_t refused;
        bool ownClass;
    } rows[] = {
        {"d20 " + std::string(487, 'x'), 10, 100, true},
        {"d100 " + std::string(485, 'x'), 3, 2, false},
    };
    for (const Row& r : rows) {
        const Odds odds = rollOdds(r.text.c_str());
        ASSERT_GT(odds.results.errorProbability, 0.0);
        EXPECT_FALSE(countsEveryGroup(odds));
        Observed seen(odds);
        for (std::size_t i = 0; i < seen.counts.size(); ++i)
            if (odds.results.totals.probability[i] > 0.0) seen.counts[i] = r.perTotal;
        seen.refused = r.refused;
        seen.refusalsCount = true;
        const Tests a = testTotals(odds, seen);
        const std::uint64_t totals =
            std::accumulate(seen.counts.begin(), seen.counts.end(), std::uint64_t{0});
        EXPECT_EQ(a.sample, totals + r.refused) << r.text.substr(0, 5);
        expectWellPooled(odds, a);
        const FitClass& last = a.fit.classes.back();
        EXPECT_TRUE(last.refusals) << r.text.substr(0, 5);
        EXPECT_EQ(last.totals, !r.ownClass) << r.text.substr(0, 5);
        if (r.ownClass) {
            EXPECT_EQ(last.observed, r.refused);
            EXPECT_NEAR(last.expected,
                        static_cast<double>(a.sample) * odds.results.errorProbability, 1e-9);
        } else {
            EXPECT_GT(last.observed, r.refused);
        }
        for (std::size_t i = 0; i + 1 < a.fit.classes.size(); ++i)
            EXPECT_FALSE(a.fit.classes[i].refusals) << r.text.substr(0, 5) << " class " << i;

        // Read from a log, refused answers are not part of the sample: the totals' chances are
        // taken among results alone.
        seen.refusalsCount = false;
        const Tests read = testTotals(odds, seen);
        EXPECT_EQ(read.sample, totals);
        expectWellPooled(odds, read);
        for (const FitClass& c : read.fit.classes)
            EXPECT_FALSE(c.refusals);
    }
}

TEST(Audit, WhichGroupsCount) {
    struct Row {
        std::string text;
        bool sneak;
        bool every;
    } rows[] = {
        {"d20", false, true},
        {"3#d6", false, true},
        {"30#d6+1000", false, true},
        {"2d6 3#d8", true, false},  // one sneak total shared by the groups
        {"2d6 d8", true, false},
        // Whether such an answer is refused depends on how long every group's total is.
        {"3#d20 " + std::string(479, 'x'), false, false},
    };
    for (const Row& r : rows) {
        const Odds odds = r.sneak ? sneakOdds(r.text.c_str()) : rollOdds(r.text.c_str());
        EXPECT_EQ(countsEveryGroup(odds), r.every) << r.text.substr(0, 12);
    }
}

// A front end's watch over a long audit: progress after every RollWatch::kEvery rolls and the
// last, and a stop that leaves a report of the rolls done.
TEST(Audit, WatchedRolls) {
    class SevenEachTime final : public orvik::features::AnswerSource {
      public:
        std::string_view answer(const char* /*text*/, std::size_t /*length*/) override {
            return "rolls a d20 and gets 7.";
        }
    } module;
    constexpr std::uint64_t kEvery = orvik::features::RollWatch::kEvery;
    std::vector<std::uint64_t> seen;
    std::atomic<bool> stop{false};
    orvik::features::RollWatch watch;
    watch.progress = [&](std::uint64_t done, std::uint64_t asked) {
        EXPECT_EQ(asked, 2 * kEvery + 5);
        seen.push_back(done);
    };
    watch.stop = &stop;
    using orvik::print::AuditForm;
    auto audit =
        orvik::features::auditRolls("d20", 2 * kEvery + 5, false, module, AuditForm::Text, watch);
    EXPECT_EQ(seen, (std::vector<std::uint64_t>{kEvery, 2 * kEvery, 2 * kEvery + 5}));
    EXPECT_FALSE(audit.interrupted);
    EXPECT_EQ(audit.rolled, 2 * kEvery + 5);

    seen.clear();
    watch.progress = [&](std::uint64_t done, std::uint64_t /*asked*/) {
        seen.push_back(done);
        stop = done >= 2 * kEvery;  // as a signal would, between two rolls
    };
    audit = orvik::features::auditRolls("d20", 1000000, false, module, AuditForm::Text, watch);
    EXPECT_EQ(seen.size(), 2U);
    EXPECT_TRUE(audit.interrupted);
    EXPECT_EQ(audit.rolled, 2 * kEvery);
    EXPECT_NE(audit.printed.find("\n  8,192 rolls: 8,192 totals tested\n"), std::string::npos)
        << audit.printed;
    // Stopped before it starts: a report on no rolls.
    audit = orvik::features::auditRolls("d20", 1000000, false, module, AuditForm::Json, watch);
    EXPECT_TRUE(audit.interrupted);
    EXPECT_EQ(audit.rolled, 0U);
    EXPECT_NE(audit.printed.find("\"rolls\":0,"), std::string::npos) << audit.printed;
}

// The words of a long audit's progress: plurals, and the unit each time left is given in.
TEST(AuditPrint, Progress) {
    struct Row {
        std::uint64_t done, asked;
        double seconds;
        const char *rolls, *rate, *left;
    } rows[] = {
        {0, 1, 2.0, "0 of 1 roll", "", ""},
        {1, 2, 0.0, "1 of 2 rolls", "", ""},
        {1, 2, 1.0, "1 of 2 rolls", "1 a second", "about 1 second left"},
        {4096, 1000000, 1.0, "4,096 of 1,000,000 rolls", "4,096 a second", "about 4 minutes left"},
        {123456789, 1000000000000, 30.0, "123,456,789 of 1,000,000,000,000 rolls",
         "4.1 million a second", "about 3 days left"},
        {2999999, 3000000, 1.0, "2,999,999 of 3,000,000 rolls", "3.0 million a second",
         "less than a second left"},
        {50000, 1000000000000, 1.0, "50,000 of 1,000,000,000,000 rolls", "50 thousand a second",
         "about 231 days left"},
        {1000, 1000000000000, 1.0, "1,000 of 1,000,000,000,000 rolls", "1,000 a second",
         "about 32 years left"},
        {999999, 100000000, 1.0, "999,999 of 100,000,000 rolls", "1.0 million a second",
         "about 2 minutes left"},
        {6000, 10000000, 1.0, "6,000 of 10,000,000 rolls", "6,000 a second",
         "about 28 minutes left"},
        {6000, 600000000, 1.0, "6,000 of 600,000,000 rolls", "6,000 a second",
         "about 28 hours left"},
    };
    for (const Row& r : rows) {
        const orvik::print::Progress p = orvik::print::progressOf(r.done, r.asked, r.seconds);
        EXPECT_EQ(p.done, r.rolls);
        EXPECT_EQ(p.rate, r.rate) << r.rolls;
        EXPECT_EQ(p.left, r.left) << r.rolls;
    }
}

// The note that Orvik's own generator can earn an unlikely verdict: only for a failing spread with
// a mean that passes, on kFewestEvenDice even-sided dice or more, and from
// kGeneratorPatternSample totals on.
TEST(Audit, GeneratorNoteOnlyWhereThePatternCanBeTheCause) {
    std::vector<std::uint64_t> elevenTens(39, 0);  // 2d20's totals 2 to 40
    elevenTens[8] = 11;
    struct Row {
        const char* name;
        const char* text;
        std::vector<std::uint64_t> counts;
        bool meanFails, below, note;
    } rows[] = {
        // 40 answers of 18: the mean fails by 16 standard errors.
        {"forty 18s", "3d6", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40}, true, false, false},
        // Two classes, 2..20 and 21..40, and every total in the first: too few for the mean.
        {"eleven 10s", "2d20", elevenTens, false, true, false},
        // 2d6's fair counts out of 2160, with 60 taken from each of 6 and 8 for 7: the mean stays
        // put, the spread fails; but two dice never show the pattern.
        {"too many 7s",
         "2d6",
         {60, 120, 180, 240, 240, 480, 240, 240, 180, 120, 60},
         false,
         false,
         false},
        // 5d2's fair counts out of 3200 with 100 taken from each of 6 and 9 for 7 and 8: five
        // even-sided dice can.
        {"too many 7s and 8s, 5d2", "5d2", {100, 400, 1100, 1100, 400, 100}, false, false, true},
        // The 60 totals of 2 made 12: both tests fail.
        {"2s made 12s",
         "2d6",
         {0, 120, 180, 240, 300, 360, 300, 240, 180, 120, 120},
         true,
         false,
         false},
        // Odd sides, and a single die: no parity pattern to show.
        {"too many 6s, 2d5",
         "2d5",
         {80, 160, 240, 240, 560, 240, 240, 160, 80},
         false,
         false,
         false},
        {"1s made 2s, d6", "d6", {233, 433, 333, 333, 334, 334}, false, false, false},
    };
    for (const Row& r : rows) {
        const Odds odds = rollOdds(r.text);
        const Observed seen = observedOf(odds, r.counts);
        const Tests tests = testTotals(odds, seen);
        ASSERT_TRUE(tests.fit.done) << r.name;
        EXPECT_LE(tests.fit.p, kUnlikely) << r.name;
        EXPECT_EQ(tests.mean.done && tests.mean.p <= kUnlikely, r.meanFails)
            << r.name << ": mean p " << tests.mean.p;
        EXPECT_EQ(tests.sample < kGeneratorPatternSample, r.below) << r.name;
        const Verdict verdict = verdictOf(odds, seen, tests);
        EXPECT_EQ(verdict.kind, Verdict::Kind::Unlikely) << r.name;
        EXPECT_EQ(verdict.generatorMayCause, r.note) << r.name;
    }
}

// Three significant figures, trailing zeros left off, and more figures wherever fewer would put
// the printed p on the other side of 0.001 or 0.05 than the p itself.
TEST(AuditPrint, FormatP) {
    struct Row {
        double p;
        const char* expected;
    } rows[] = {
        {1.0, "p = 1"},
        {0.5, "p = 0.5"},
        {0.123456, "p = 0.123"},
        {0.0123, "p = 0.0123"},
        {0.05, "p = 0.05"},
        {0.050004, "p = 0.05"},  // reads as not below 0.05, as it is not
        {0.0499996, "p = 0.0499996"},
        {0.04996, "p = 0.04996"},
        {0.0499, "p = 0.0499"},
        {0.00104, "p = 0.00104"},  // 3d6's case: never "0.001" beside "no clear sign"
        {0.0010004, "p = 0.0010004"},
        {0.001, "p = 0.001"},
        {0.0009996, "p = 0.001"},  // at or below 0.001, as it is
        {0.00094, "p = 9.4e-4"},
        {3e-12, "p = 3e-12"},
        {3.14159e-12, "p = 3.14e-12"},
        {7e-100, "p = 7e-100"},
        {1e-300, "p = 1e-300"},
        {9e-301, "p < 1e-300"},
        {0.0, "p < 1e-300"},  // a chi-square tail too small for a double
    };
    for (const Row& r : rows)
        EXPECT_EQ(formatP(r.p), r.expected) << r.p;
}

}  // namespace
