#include "odds/AuditReport.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <vector>

#include "dice/DiceError.h"
#include "odds/Format.h"
#include "odds/Json.h"

namespace orvik::odds {

namespace {

constexpr std::size_t kMaxRows = 40;  // more classes are shown several to a row
constexpr int kCells = 20;            // each of the two bars
// Below this many totals even a fair test can show only a large bias, and the verdict says so.
constexpr std::uint64_t kSmallSample = 1000;

// 50018.34 as "50,018.3".
std::string groupedTenths(double x) {
    const auto tenths = static_cast<std::uint64_t>(std::llround(x * 10.0));
    return grouped(tenths / 10) + "." + std::to_string(tenths % 10);
}

// Rolls, or answers read, whichever the observed holds, with their totals.
std::string sampleLine(const Odds& odds, const Observed& observed, const Audit& audit) {
    std::string s = "  " + countOf(observed.answers, "roll", "rolls") + ": " +
                    countOf(audit.totals, "total", "totals") + " tested";
    if (odds.groups > 1) {
        if (countsEveryGroup(odds))
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
             groupedTenths(static_cast<double>(audit.sample) * odds.results.errorProbability);
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
    appendf(s,
            "  spread: chi-square %.2f on %" PRId64 " degrees of freedom, %" PRId64
            " classes (%s)\n",
            fit.statistic, fit.degrees, fit.degrees + 1, formatP(fit.p).c_str());
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

bool onlyOneTotal(const Odds& odds) {
    return odds.results.totals.probability.size() == 1 && odds.results.errorProbability == 0.0;
}

std::string verdict(const Odds& odds, const Observed& observed, const Audit& audit) {
    const std::string rolls = countOf(observed.answers, "roll", "rolls");
    if (observed.impossible > 0) {
        return "these answers cannot come from Orvik's dice (p = 0): no roll of this text gives " +
               observed.firstImpossible;
    }
    if (std::isnan(audit.p)) {
        if (onlyOneTotal(odds))
            return "nothing to test: every roll of this text gives " +
                   number(odds.results.totals.lowest);
        return "too few rolls to tell anything (" + rolls + ")";
    }
    const std::string p = formatP(audit.p);
    if (audit.p <= kUnlikely)
        return "these totals are very unlikely by Orvik's exact odds (" + p + ")";
    std::string s = audit.p < 0.05 ? "no clear sign of unfair dice in " + rolls + " (" + p +
                                         "): totals this far from the odds come up by chance "
                                         "now and then"
                                   : "no sign of unfair dice in " + rolls + " (" + p + ")";
    if (audit.sample < kSmallSample) s += "; so few rolls can show only a large bias";
    return s;
}

// The odds take successive dice as independent. Orvik's generator's lowest output bits repeat
// with a short period, and a face of an even number of sides keeps the lowest bit, so a roll that
// sums several such dice can show a pattern in its totals that a large audit sees.
bool generatorPatternPossible(const Odds& odds) {
    const auto even = [](const DicePart& part) { return part.dice > 0 && part.sides % 2 == 0; };
    const std::int64_t dice = odds.roll.dice + (odds.sneak ? odds.sneakDice.dice : 0);
    return dice >= 2 && (even(odds.roll) || (odds.sneak && even(odds.sneakDice)));
}

const char kGeneratorNote[] =
    "A roll of several dice with an even number of sides can earn this from Orvik's own module "
    "too: its generator's lowest bits repeat every 2^17 draws, a pattern the odds leave out.";

// A note for a verdict that the module's own dice may earn, or null.
const char* noteOn(const Odds& odds, const Observed& observed, const Audit& audit) {
    const bool unlikely = observed.impossible == 0 && audit.p <= kUnlikely;
    return unlikely && generatorPatternPossible(odds) ? kGeneratorNote : nullptr;
}

void appendJsonNumberOrNull(std::string& out, bool known, double value) {
    if (known && std::isfinite(value))
        appendNumber(out, value);
    else
        out += "null";
}

}  // namespace

std::string formatP(double p) {
    std::string s = "p = ";
    if (p >= kUnlikely) {
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

std::string formatAuditText(const std::string& text, const Odds& odds, const Observed& observed,
                            const Audit& audit) {
    std::string out = text + (odds.sneak ? " (sneak attack)\n" : "\n");
    out += sampleLine(odds, observed, audit);
    out += meanLine(audit.mean);
    out += fitLine(audit.fit);
    if (!audit.fit.classes.empty() && audit.sample > 0) out += histogram(audit.fit);
    out += "  " + verdict(odds, observed, audit);
    if (const char* note = noteOn(odds, observed, audit)) {
        // On two lines, after its colon.
        const std::string line = note;
        const std::size_t colon = line.find(": ") + 1;
        out += "\n  " + line.substr(0, colon) + "\n  " + line.substr(colon + 1);
    }
    return out;
}

std::string formatAuditJson(const std::string& text, const Odds& odds, const Observed& observed,
                            const Audit& audit) {
    std::string out = "{\"text\":";
    appendJsonString(out, text);
    out += odds.sneak ? ",\"sneak\":true" : ",\"sneak\":false";
    appendf(out, ",\"groups\":%" PRId32 ",\"rolls\":%" PRIu64 ",\"totals\":%" PRIu64, odds.groups,
            observed.answers, audit.totals);
    out += countsEveryGroup(odds) ? R"(,"groups_tested":"every")" : R"(,"groups_tested":"first")";
    appendf(out, ",\"refused\":%" PRIu64 ",\"sample\":%" PRIu64 ",\"p_error\":", observed.refused,
            audit.sample);
    appendNumber(out, odds.results.errorProbability);
    appendf(out, ",\"impossible\":%" PRIu64 ",\"first_impossible\":", observed.impossible);
    if (observed.impossible > 0)
        appendJsonString(out, observed.firstImpossible);
    else
        out += "null";
    const MeanTest& mean = audit.mean;
    out += R"(,"mean":{"observed":)";
    appendJsonNumberOrNull(out, audit.totals > 0, mean.observed);
    out += ",\"expected\":";
    appendJsonNumberOrNull(out, true, mean.expected);
    out += ",\"standard_error\":";
    appendJsonNumberOrNull(out, mean.done, mean.standardError);
    out += ",\"z\":";
    appendJsonNumberOrNull(out, mean.done, mean.z);
    out += ",\"p\":";
    appendJsonNumberOrNull(out, mean.done, mean.p);
    const FitTest& fit = audit.fit;
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
    appendJsonNumberOrNull(out, !std::isnan(audit.p), audit.p);
    out += ",\"unlikely\":";
    out += audit.p <= kUnlikely ? "true" : "false";
    out += ",\"verdict\":";
    appendJsonString(out, verdict(odds, observed, audit));
    out += ",\"note\":";
    if (const char* note = noteOn(odds, observed, audit))
        appendJsonString(out, note);
    else
        out += "null";
    out += '}';
    return out;
}

}  // namespace orvik::odds
