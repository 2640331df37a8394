// A log's audit as memory runs short: its counts take room by the totals seen, not their range;
// a line that memory runs out on counts nothing, so that reading it again, or stopping there,
// gives the audit of the lines read; and a text whose audit memory runs out for says so while
// the others are made. Its own executable, with the global allocation operators replaced
// (replaced_allocation.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <new>
#include <regex>
#include <string>
#include <vector>

#include "features/LogAudit.h"
#include "features/TotalCounts.h"
#include "replaced_allocation.h"

namespace {

// While armed: the attempt numbered failAt (from 1) fails, and so does every one of at least
// failFrom bytes.
struct Injector {
    bool armed = false;
    long attempts = 0;
    long failAt = 0;                                      // 0: none by number
    std::size_t failFrom = static_cast<std::size_t>(-1);  // none by size
};
Injector injector;

}  // namespace

void* testAllocate(std::size_t size) {
    if (injector.armed) {
        ++injector.attempts;
        if (injector.attempts == injector.failAt || size >= injector.failFrom)
            throw std::bad_alloc();
    }
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

void testRelease(void* p) noexcept {
    std::free(p);
}

namespace {

using orvik::features::AuditForm;
using orvik::features::LogAudit;
using orvik::features::LogOptions;
using orvik::features::TotalCounts;

// Arms the injector for its lifetime.
class Armed {
  public:
    Armed(long failAt, std::size_t failFrom) {
        injector.attempts = 0;
        injector.failAt = failAt;
        injector.failFrom = failFrom;
        injector.armed = true;
    }
    ~Armed() { injector.armed = false; }
    Armed(const Armed&) = delete;
    Armed& operator=(const Armed&) = delete;
    Armed(Armed&&) = delete;
    Armed& operator=(Armed&&) = delete;
};

std::map<std::int64_t, std::uint64_t> countsOf(const TotalCounts& counts) {
    std::map<std::int64_t, std::uint64_t> out;
    counts.each([&](std::int64_t total, std::uint64_t count) { out[total] += count; });
    return out;
}

// Totals counted one answer at a time, against a plain map: the same counts, in at most 64
// bytes a different total (128 at least), and never more than twice an array over the range
// seen would take.
TEST(TotalCounts, CountsInRoomByTheTotalsSeen) {
    // Totals low to high, the same every run (a 64-bit linear congruential generator's top bits).
    std::uint64_t state = 7;
    const auto some = [&](std::int64_t low, std::int64_t high, int n) {
        std::vector<std::int64_t> totals;
        const auto span = static_cast<std::uint64_t>(high - low) + 1;
        for (int i = 0; i < n; ++i) {
            state = state * 6364136223846793005u + 1442695040888963407u;
            totals.push_back(low + static_cast<std::int64_t>((state >> 33) % span));
        }
        return totals;
    };
    std::vector<std::int64_t> up, down, ends;
    for (std::int64_t t = 1; t <= 2000; ++t) {
        up.push_back(t);
        down.push_back(-t);
    }
    for (std::int64_t k = 1; k <= 3000; ++k) {
        ends.push_back(100 - k);
        ends.push_back(50000 - k);
    }
    struct Row {
        const char* name;
        std::vector<std::int64_t> totals;
        std::size_t perAnswer;  // totals of one answer, counted together
    } rows[] = {
        {"one", {7}, 1},
        {"a lowest and a highest", {100, 50000}, 1},
        {"the ends of 3,000 rolls", ends, 2},
        {"rising one by one", up, 1},
        {"falling one by one", down, 1},
        {"30 groups at a time, repeats among them", some(3, 18, 3000), 30},
        {"a few over a wide range", some(100, 50000, 40), 1},
        {"many over a wide range", some(100, 50000, 200000), 2},
        {"the 32-bit ends", {-2147483648LL, 2147483647LL, -2147483648LL, 0}, 1},
    };
    for (const Row& r : rows) {
        TotalCounts counts;
        std::map<std::int64_t, std::uint64_t> plain;
        for (std::size_t i = 0; i < r.totals.size(); i += r.perAnswer) {
            const std::size_t n = std::min(r.perAnswer, r.totals.size() - i);
            counts.prepare(&r.totals[i], n);
            for (std::size_t k = i; k < i + n; ++k) {
                counts.count(r.totals[k]);
                ++plain[r.totals[k]];
            }
            const auto range =
                static_cast<std::uint64_t>(plain.rbegin()->first - plain.begin()->first) + 1;
            ASSERT_LE(counts.bytes(), std::max<std::size_t>(128, 64 * counts.different()))
                << r.name << " after " << i + n;
            ASSERT_LE(counts.bytes(), std::max<std::uint64_t>(128, 16 * range))
                << r.name << " after " << i + n;
        }
        EXPECT_EQ(countsOf(counts), plain) << r.name;
        EXPECT_EQ(counts.different(), plain.size()) << r.name;
    }
}

// Memory running out while room is made leaves every count as it was.
TEST(TotalCounts, NothingChangesWhenMemoryRunsOut) {
    TotalCounts counts;
    int failures = 0;  // of the growths
    for (std::int64_t t = 0; t < 300; ++t) {
        const std::int64_t total = t % 3 == 0 ? t * 1000 : t;  // a table, then an array
        const auto before = countsOf(counts);
        bool failed = false;
        {
            const Armed armed(1, static_cast<std::size_t>(-1));
            try {
                counts.prepare(&total, 1);
            } catch (const std::bad_alloc&) {
                failed = true;
            }
        }
        EXPECT_EQ(countsOf(counts), before) << total;
        failures += failed ? 1 : 0;
        if (failed) counts.prepare(&total, 1);
        counts.count(total);
    }
    EXPECT_EQ(counts.different(), 300u);
    EXPECT_GE(failures, 5);
}

std::string auditOf(const LogAudit& audit) {
    std::string out = audit.summary("log") + "\n";
    audit.eachText([&](const std::string& printed) { out += printed + "\n"; });
    return out;
}

// Every allocation a line makes is failed in turn: the line then counts nothing, and reading it
// again and the lines after gives the audit of the whole log.
TEST(LogAudit, ALineMemoryRunsOutOnCountsNothing) {
    const std::vector<std::string> log = {
        "[19:30] <Orvik> Ana rolls a d20 and gets 5.",
        "[19:30] <Ana> !roll d20",
        "[19:31] <Orvik> Bo rolls a d20 and gets 17.",
        "[19:31] <Orvik> Cy rolls ( sneak attack, +3d6 ) a d8+2 and gets 14.",
        "[19:31] <Orvik> Ana rolls 3#d6 and gets 3, 18, 11.",
        "[19:32] Dice Error: Maximum of 500 sides on any die.",
        "[19:32] <Mallory> <Orvik> Ana rolls a d20 and gets 20.",
        "[19:32] <Orvik> Ana rolls a d20 to hit and gets 9.",
        "[19:33] <Orvik> Bo rolls 20d500 and gets 20.",
        "[19:33] <Orvik> Bo rolls 20d500 and gets 10000.",
        "[19:33] <Orvik> Dee rolls a d20 and gets 21.",
        "[19:34] <Orvik> Ana rolls 3#d6 and gets 4, 4, 4.",
    };
    LogOptions options;
    options.from = "<Orvik>";
    options.byRoller = true;
    LogAudit whole(options, AuditForm::Json);
    for (const std::string& line : log)
        whole.read(line.data(), line.size());
    const std::string expected = auditOf(whole);
    for (std::size_t at = 0; at < log.size(); ++at) {
        std::string before;  // the audit of the lines before this one
        {
            LogAudit audit(options, AuditForm::Json);
            for (std::size_t i = 0; i < at; ++i)
                audit.read(log[i].data(), log[i].size());
            before = auditOf(audit);
        }
        for (long failAt = 1;; ++failAt) {
            LogAudit audit(options, AuditForm::Json);
            for (std::size_t i = 0; i < at; ++i)
                audit.read(log[i].data(), log[i].size());
            bool failed = false;
            {
                const Armed armed(failAt, static_cast<std::size_t>(-1));
                try {
                    audit.read(log[at].data(), log[at].size());
                } catch (const std::bad_alloc&) {
                    failed = true;
                }
            }
            if (!failed) break;
            ASSERT_EQ(audit.linesRead(), at);
            ASSERT_EQ(auditOf(audit), before) << log[at] << ", allocation " << failAt;
            for (std::size_t i = at; i < log.size(); ++i)
                audit.read(log[i].data(), log[i].size());
            ASSERT_EQ(auditOf(audit), expected) << log[at] << ", allocation " << failAt;
        }
    }
}

// A text whose odds memory cannot hold is reported as not tested, in text and JSON, and the
// others are audited as ever.
TEST(LogAudit, ATextMemoryRunsOutForSaysSo) {
    const std::string log =
        "<Orvik> Ana rolls a d20 and gets 5.\n"
        "<Orvik> Bo rolls 100d500 and gets 100.\n"
        "<Orvik> Bo rolls 100d500 and gets 50000.\n"
        "<Orvik> Bo rolls a d20 and gets 12.\n";
    struct Row {
        bool json;
        bool byRoller;
        std::vector<std::string> untested;
    } rows[] = {
        {false, false, {"100d500\n  2 rolls: memory ran out before they could be tested"}},
        {true,
         false,
         {R"({"text":"100d500","sneak":false,"rolls":2,)"
          R"("error":"memory ran out before they could be tested"})"}},
        {false,
         true,
         {"100d500\n  2 rolls: memory ran out before they could be tested",
          "100d500, rolled by Bo\n  2 rolls: memory ran out before they could be tested"}},
        {true,
         true,
         {R"({"text":"100d500","sneak":false,"roller":null,"rolls":2,)"
          R"("error":"memory ran out before they could be tested"})",
          R"({"text":"100d500","sneak":false,"roller":"Bo","rolls":2,)"
          R"("error":"memory ran out before they could be tested"})"}},
    };
    for (const Row& r : rows) {
        LogOptions options;
        options.byRoller = r.byRoller;
        LogAudit audit(options, r.json ? AuditForm::Json : AuditForm::Text);
        audit.readText(log, true);
        std::vector<std::string> ample, scant;
        audit.eachText([&](const std::string& printed) { ample.push_back(printed); });
        EXPECT_EQ(audit.untested(), 0u);
        {
            // A d500's hundred dice have 49,901 totals, whose chances take 400 KB.
            const Armed armed(0, 200000);
            audit.eachText([&](const std::string& printed) { scant.push_back(printed); });
        }
        EXPECT_EQ(audit.untested(), 1u);
        const std::size_t d20 = r.byRoller ? 3 : 1;  // its audits: everyone's, Ana's, Bo's
        ASSERT_EQ(scant.size(), ample.size());
        ASSERT_EQ(scant.size(), d20 + r.untested.size());
        // The untested audits count among the family as p-values of 1: only the family's size
        // may differ.
        const std::regex family(R"("audits":[0-9]+)");
        for (std::size_t i = 0; i < d20; ++i) {
            EXPECT_EQ(std::regex_replace(scant[i], family, "\"audits\":_"),
                      std::regex_replace(ample[i], family, "\"audits\":_"));
        }
        for (std::size_t i = 0; i < r.untested.size(); ++i)
            EXPECT_EQ(scant[d20 + i], r.untested[i]);
    }
}

// A log read in pieces stops where memory runs out for the line begun in one piece and grown in
// the next: the lines before it are audited as ever, and the line and what it held go.
TEST(LogAudit, ALineTooLongToHoldStopsTheReading) {
    const std::string first = "<Orvik> Ana rolls a d20 and gets 5.\n<Orvik> Bo rolls 3d6";
    LogAudit read;
    read.readText(first.substr(0, first.find('\n') + 1), true);
    LogAudit audit;
    audit.readText(first, false);
    bool failed = false;
    {
        const Armed armed(0, 4096);
        try {
            for (int i = 0; i < 10; ++i)
                audit.readText(std::string(1000, 'x'), false);
        } catch (const std::bad_alloc&) {
            failed = true;
        }
    }
    ASSERT_TRUE(failed);
    EXPECT_EQ(audit.linesRead(), 1u);
    EXPECT_EQ(auditOf(audit), auditOf(read));
}

}  // namespace
