#include "print/AuditPrint.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <vector>

#include "dice/DiceError.h"
#include "print/Format.h"
#include "print/Json.h"
#include "print/OddsPrint.h"
#include "random/RandomInternal.h"
#include "report/AnswerReader.h"

namespace orvik::print {

using audit::FitClass;
using audit::FitTest;
using audit::MeanTest;
using odds::Odds;

namespace {

constexpr std::size_t kMaxRows = 40;  // more classes are shown several to a row
constexpr int kCells = 20;            // each of the two bars

// 50018.34 as "50,018.3".
std::string groupedTenths(double x) {
    const auto tenths = static_cast<std::uint64_t>(std::llround(x * 10.0));
    return grouped(tenths / 10) + "." + std::to_string(tenths % 10);
}

// Rolls, or answers read, whichever the observed holds, with their totals.
std::string sampleLine(const Odds& odds, const Observed& observed, const Tests& tests) {
    std::string s = "  " + countOf(observed.answers, "roll", "rolls") + ": " +
                    countOf(tests.totals, "total", "totals") + " tested";
    if (odds.groups > 1) {
        if (audit::countsEveryGroup(odds))
            s += ", every group's";
        else if (odds.sneak)
            s += ", the first group's of each (the groups share one sneak attack total)";
        else
            s += ", the first group's of each (whether an answer is refused depends on them all)";
    }
    s += "\n";
    if (observed.refusalsCount && (observed.refused > 0 || odds.results.errorProbability > 0.0)) {
        s += "  " + countOf(observed.refused, "answer", "answers") + " \"" + kInvalidArguments +
             "\" (the odds expect " +
             groupedTenths(static_cast<double>(tests.sample) * odds.results.errorProbability);
        s += ")\n";
    }
    if (observed.impossible > 0) {
        s += "  " + countOf(observed.impossible, "answer", "answers") +
             " no roll of this text gives, the first: " + observed.firstImpossible + "\n";
    }
    return s;
}

std::string meanLine(const MeanTest& mean) {
    std::string s;
    if (!mean.done) return s;
    appendf(s, "  mean %.4f, exactly %.4f expected: %+.2f standard errors (%s)\n", mean.observed,
            mean.expected, mean.z, formatP(mean.p).c_str());
    return s;
}

std::string fitLine(const FitTest& fit) {
    std::string s;
    if (!fit.done) return s;
    appendf(s, "  spread: chi-square %.2f on ", fit.statistic);
    s += number(fit.degrees) + (fit.degrees == 1 ? " degree" : " degrees") + " of freedom, " +
         number(fit.degrees + 1) + " classes (" + formatP(fit.p) + ")\n";
    return s;
}

std::string classLabel(const FitClass& c) {
    if (!c.totals) return "refused";
    std::string s = number(c.from);
    if (c.to != c.from) s += ".." + number(c.to);
    return c.refusals ? s + " or refused" : s;
}

// The classes as rows: every one when they are few, else runs of adjacent ones, the refused
// answers on a row of their own.
std::vector<FitClass> rowsOf(const std::vector<FitClass>& classes, std::size_t& perRow) {
    perRow = (classes.size() + kMaxRows - 1) / kMaxRows;
    if (perRow <= 1) return classes;
    std::vector<FitClass> rows;
    for (std::size_t i = 0; i < classes.size(); ++i) {
        const FitClass& c = classes[i];
        if (rows.empty() || !c.totals || !rows.back().totals || i % perRow == 0) {
            rows.push_back(c);
            continue;
        }
        rows.back().join(c);
    }
    return rows;
}

std::string histogram(const FitTest& fit) {
    std::size_t perRow = 1;
    const std::vector<FitClass> rows = rowsOf(fit.classes, perRow);
    std::string out;
    if (perRow > 1) {
        out += "  " + number(static_cast<std::int64_t>(perRow)) +
               " classes to a row (--json lists each)\n";
    }
    std::size_t labelWidth = std::string("totals").size();
    double largest = 0.0;
    for (const FitClass& row : rows) {
        labelWidth = std::max(labelWidth, displayWidth(classLabel(row)));
        largest = std::max({largest, static_cast<double>(row.observed), row.expected});
    }
    // Two spaces before the widest count.
    std::size_t numberWidth = std::string("observed").size();
    for (const FitClass& row : rows) {
        numberWidth = std::max(
            {numberWidth, grouped(row.observed).size(), groupedTenths(row.expected).size()});
    }
    numberWidth += 2;
    out += "  ";
    pad(out, "totals", labelWidth);
    pad(out, "observed", numberWidth);
    pad(out, "expected", numberWidth);
    pad(out, "(o-e)/√e", 10);
    out += "  observed" + std::string(kCells - 6, ' ') + "expected";
    for (const FitClass& row : rows) {
        out += "\n  ";
        pad(out, classLabel(row), labelWidth);
        pad(out, grouped(row.observed), numberWidth);
        pad(out, groupedTenths(row.expected), numberWidth);
        std::string d;
        appendf(d, "%+.2f",
                (static_cast<double>(row.observed) - row.expected) / std::sqrt(row.expected));
        pad(out, d, 10);
        const std::string observed = bar(static_cast<double>(row.observed) / largest, kCells);
        out += "  " + observed + std::string(kCells + 2 - displayWidth(observed), ' ') +
               bar(row.expected / largest, kCells);
        while (out.back() == ' ')
            out.pop_back();
    }
    return out + "\n";
}

std::string verdictLine(const Odds& odds, const Observed& observed, const Verdict& verdict) {
    const std::string rolls = countOf(observed.answers, "roll", "rolls");
    const std::string p = formatP(verdict.p);
    std::string s;
    switch (verdict.kind) {
        case Verdict::Kind::Impossible:
            return "these answers cannot come from Orvik's dice (p = 0): no roll of this text "
                   "gives " +
                   observed.firstImpossible;
        case Verdict::Kind::OneTotal:
            return "nothing to test: every roll of this text gives " +
                   number(odds.results.totals.lowest);
        case Verdict::Kind::TooFew:
            return "too few rolls to tell anything (" + rolls + ")";
        case Verdict::Kind::Unlikely:
            return "these totals are very unlikely by Orvik's exact odds (" + p + ")";
        case Verdict::Kind::Unclear:
            s = "no clear sign of unfair dice in " + rolls + " (" + p +
                "): totals this far from the odds come up by chance now and then";
            break;
        case Verdict::Kind::Fair:
            s = "no sign of unfair dice in " + rolls + " (" + p + ")";
            break;
    }
    if (verdict.smallSample) s += "; so few rolls can show only a large bias";
    return s;
}

// For a verdict that the module's own dice may earn, what the odds leave out.
std::string generatorNote() {
    return "A roll of several dice with an even number of sides can earn this from Orvik's own "
           "module too: its generator's lowest bits repeat every 2^" +
           number(kLowestBitPeriodLog2) + " draws, a pattern the odds leave out.";
}

void appendJsonNumberOrNull(std::string& out, bool known, double value) {
    if (known && std::isfinite(value))
        appendNumber(out, value);
    else
        out += "null";
}

// ", rolled by Ana": whose answers these are, where rollers are counted apart.
std::string rollerOf(const AuditHeading& heading) {
    if (!heading.roller) return "";
    if (heading.roller->empty()) return ", in lines with no name before \"rolls\"";
    return ", rolled by " + *heading.roller;
}

// ,"roller": whose answers these are (null for everyone's), where rollers are counted apart.
void appendRollerJson(std::string& out, const AuditHeading& heading) {
    if (!heading.byRoller) return;
    out += ",\"roller\":";
    if (heading.roller)
        appendJsonString(out, *heading.roller);
    else
        out += "null";
}

// The texts pooled with this one, quoted.
std::string pooledLine(const AuditHeading& heading) {
    if (heading.pooled.empty()) return "";
    std::string s = "  pooled with texts of the same odds:";
    for (std::size_t i = 0; i < heading.pooled.size(); ++i)
        s += (i > 0 ? ", \"" : " \"") + heading.pooled[i] + "\"";
    return s + (heading.morePooled ? " and more\n" : "\n");
}

}  // namespace

std::string formatP(double p) {
    std::string s = "p = ";
    if (p >= audit::kUnlikely) {
        appendf(s, "%.2g", p);
    } else if (p < 1e-300) {
        // Too small for a double to hold, or only with few digits.
        s = "p < 1e-300";
    } else {
        // "3e-12", not "3e-012" or "3.0e-12"
        std::string e;
        appendf(e, "%.0e", p);
        const std::size_t sign = e.find('-');
        std::size_t digits = sign + 1;
        while (digits + 1 < e.size() && e[digits] == '0')
            ++digits;
        s += e.substr(0, sign + 1) + e.substr(digits);
    }
    return s;
}

std::string auditText(const std::string& text, const Odds& odds, const Observed& observed,
                      const Tests& tests, const Verdict& verdict, const AuditHeading& heading) {
    std::string out = text + (odds.sneak ? " (sneak attack)" : "") + rollerOf(heading) + "\n";
    out += pooledLine(heading);
    out += sampleLine(odds, observed, tests);
    out += meanLine(tests.mean);
    out += fitLine(tests.fit);
    if (!tests.fit.classes.empty() && tests.sample > 0) out += histogram(tests.fit);
    out += "  " + verdictLine(odds, observed, verdict);
    if (verdict.generatorMayCause) {
        // On two lines, after its colon.
        const std::string note = generatorNote();
        const std::size_t colon = note.find(": ") + 1;
        out += "\n  " + note.substr(0, colon) + "\n  " + note.substr(colon + 1);
    }
    return out;
}

std::string auditJson(const std::string& text, const Odds& odds, const Observed& observed,
                      const Tests& tests, const Verdict& verdict, const AuditHeading& heading) {
    std::string out = "{\"text\":";
    appendJsonString(out, text);
    out += odds.sneak ? ",\"sneak\":true" : ",\"sneak\":false";
    if (!heading.pooled.empty()) {
        out += ",\"pooled\":[";
        for (std::size_t i = 0; i < heading.pooled.size(); ++i) {
            if (i > 0) out += ',';
            appendJsonString(out, heading.pooled[i]);
        }
        out += heading.morePooled ? "],\"pooled_more\":true" : "],\"pooled_more\":false";
    }
    appendRollerJson(out, heading);
    appendf(out, ",\"groups\":%" PRId32 ",\"rolls\":%" PRIu64 ",\"totals\":%" PRIu64, odds.groups,
            observed.answers, tests.totals);
    out += audit::countsEveryGroup(odds) ? R"(,"groups_tested":"every")"
                                         : R"(,"groups_tested":"first")";
    appendf(out, ",\"refused\":%" PRIu64 ",\"sample\":%" PRIu64 ",\"p_error\":", observed.refused,
            tests.sample);
    appendNumber(out, odds.results.errorProbability);
    appendf(out, ",\"impossible\":%" PRIu64 ",\"first_impossible\":", observed.impossible);
    if (observed.impossible > 0)
        appendJsonString(out, observed.firstImpossible);
    else
        out += "null";
    const MeanTest& mean = tests.mean;
    out += R"(,"mean":{"observed":)";
    appendJsonNumberOrNull(out, tests.totals > 0, mean.observed);
    out += ",\"expected\":";
    appendJsonNumberOrNull(out, true, mean.expected);
    out += ",\"standard_error\":";
    appendJsonNumberOrNull(out, mean.done, mean.standardError);
    out += ",\"z\":";
    appendJsonNumberOrNull(out, mean.done, mean.z);
    out += ",\"p\":";
    appendJsonNumberOrNull(out, mean.done, mean.p);
    const FitTest& fit = tests.fit;
    out += R"(},"chi_square":{"statistic":)";
    appendJsonNumberOrNull(out, fit.done, fit.statistic);
    out += ",\"degrees_of_freedom\":";
    appendJsonNumberOrNull(out, fit.done, static_cast<double>(fit.degrees));
    out += ",\"p\":";
    appendJsonNumberOrNull(out, fit.done, fit.p);
    out += ",\"classes\":[";
    for (std::size_t i = 0; i < fit.classes.size(); ++i) {
        const FitClass& c = fit.classes[i];
        out += i > 0 ? ",{" : "{";
        if (c.totals) appendf(out, "\"from\":%" PRId64 ",\"to\":%" PRId64 ",", c.from, c.to);
        out += c.refusals ? "\"refused\":true" : "\"refused\":false";
        appendf(out, ",\"observed\":%" PRIu64 ",\"expected\":", c.observed);
        appendNumber(out, c.expected);
        out += '}';
    }
    out += "]},\"p\":";
    appendJsonNumberOrNull(out, !std::isnan(verdict.p), verdict.p);
    out += ",\"unlikely\":";
    out += verdict.unlikely() ? "true" : "false";
    out += ",\"verdict\":";
    appendJsonString(out, verdictLine(odds, observed, verdict));
    out += ",\"note\":";
    if (verdict.generatorMayCause)
        appendJsonString(out, generatorNote());
    else
        out += "null";
    out += '}';
    return out;
}

std::string auditRefusal(const std::string& text, const char* message, bool json) {
    if (json) return refusalJson(text, message);
    // The heading is one line, at a terminal and in a pipe alike: a line feed (which the module
    // refuses in any text) shows as \n.
    std::string heading;
    for (const char c : text) {
        if (c == '\n')
            heading += "\\n";
        else
            heading += c;
    }
    return heading + "\n  " + message + "\n  nothing to test";
}

std::string auditOutOfMemory(const std::string& text, bool sneak, std::uint64_t rolls,
                             const AuditHeading& heading, bool json) {
    static const char kWhy[] = "memory ran out before they could be tested";
    if (!json) {
        return text + (sneak ? " (sneak attack)" : "") + rollerOf(heading) + "\n" +
               pooledLine(heading) + "  " + countOf(rolls, "roll", "rolls") + ": " + kWhy;
    }
    std::string out = "{\"text\":";
    appendJsonString(out, text);
    out += sneak ? ",\"sneak\":true" : ",\"sneak\":false";
    appendRollerJson(out, heading);
    appendf(out, ",\"rolls\":%" PRIu64 ",\"error\":", rolls);
    appendJsonString(out, kWhy);
    return out + '}';
}

std::string logSummary(const std::string& source, const LogCounts& counts) {
    std::string summary = source + ": " + countOf(counts.lines, "line", "lines") + ", " +
                          countOf(counts.answers, "answer", "answers") + " of " +
                          countOf(counts.texts, "roll text", "roll texts") +
                          (counts.from.empty() ? "" : " in lines marked \"" + counts.from + "\"") +
                          "; skipped " + countOf(counts.errors, "dice error", "dice errors") +
                          ", " + countOf(counts.other, "other line", "other lines");
    if (counts.refused > 0)
        summary +=
            ", " + countOf(counts.refused, "answer", "answers") + " to texts the module refuses";
    if (counts.notFrom > 0)
        summary += ", " + countOf(counts.notFrom, "answer", "answers") + " in other lines";
    if (counts.untried > 0)
        summary += ", " + countOf(counts.untried, "line", "lines") + " with more than " +
                   number(orvik::kMostTries) + " words \"rolls \" before a sentence";
    if (counts.from.empty()) summary += "; every line trusted (--from names the host's lines)";
    return summary;
}

}  // namespace orvik::print
