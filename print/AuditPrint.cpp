#include "print/AuditPrint.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "audit/Anytime.h"
#include "dice/DiceError.h"
#include "print/Format.h"
#include "print/Json.h"
#include "print/OddsPrint.h"
#include "random/RandomInternal.h"
#include "report/AnswerReader.h"

namespace orvik::print {

using audit::Caught;
using audit::FitClass;
using audit::FitTest;
using audit::MeanTest;
using audit::Observed;
using audit::SpreadBasis;
using audit::Tests;
using audit::Verdict;

namespace {

constexpr std::size_t kMaxRows = 40;   // more classes are shown several to a row
constexpr int kCells = 20;             // each of the two bars
constexpr int kMostNamedUnlikely = 5;  // texts a headline names

// 50018.34 as "50,018.3".
std::string groupedTenths(double x) {
    const auto tenths = static_cast<std::uint64_t>(std::llround(x * 10.0));
    return grouped(tenths / 10) + "." + std::to_string(tenths % 10);
}

// What the totals were tested against, in words.
const char* diceOf(const TextAudit& audit) {
    return diceWords(audit.ideal()).name;
}

// "  against Orvik's dice: each face as likely as Orvik's generator makes it", and a newline.
std::string againstLine(bool ideal) {
    const DiceWords words = diceWords(ideal);
    return std::string("  against ") + words.name + ": " + words.means + "\n";
}

// Rolls, or answers read, whichever the observed holds, with their totals.
std::string sampleLine(const TextAudit& audit) {
    const Observed& observed = audit.observed;
    const Tests& tests = audit.tests;
    std::string s = "  " + countOf(observed.answers, "roll", "rolls") + ": " +
                    countOf(tests.totals, "total", "totals") + " tested";
    if (audit.groups > 1) {
        if (audit.everyGroup)
            s += ", every group's";
        else if (audit.sneak)
            s += ", the first group's of each (the groups share one sneak attack total)";
        else
            s += ", the first group's of each (whether an answer is refused depends on them all)";
    }
    s += "\n";
    if (observed.refusalsCount && (observed.refused > 0 || audit.errorProbability > 0.0)) {
        s += "  " + countOf(observed.refused, "answer", "answers") + " \"" + kInvalidArguments +
             "\" (the odds expect " +
             groupedTenths(static_cast<double>(tests.sample) * audit.errorProbability);
        s += ")\n";
    }
    if (observed.impossible > 0) {
        s += "  " + countOf(observed.impossible, "answer", "answers") +
             " no roll of this text gives, the first: " + observed.firstImpossible + "\n";
    }
    return s + againstLine(audit.ideal());
}

std::string meanLine(const MeanTest& mean) {
    std::string s;
    if (!mean.done) return s;
    appendf(s, "  mean %.4f, exactly %.4f expected: %+.2f standard errors (", mean.observed,
            mean.expected, mean.z);
    return s + formatP(mean.p) + (mean.exact ? ", exact)\n" : ", saddlepoint)\n");
}

std::string fitLine(const FitTest& fit) {
    std::string s;
    if (!fit.done) return s;
    appendf(s, "  spread: chi-square %.2f on ", fit.statistic);
    s += number(fit.degrees) + (fit.degrees == 1 ? " degree" : " degrees") + " of freedom, " +
         number(fit.degrees + 1) + " classes (" + formatP(fit.p);
    if (fit.simulated)
        s += ", simulated from " + countOf(fit.draws, "sample", "samples") + ")\n";
    else
        s += ", chi-square tail)\n";
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

// "p = 0.26", or among others "p = 0.04 adjusted for the 50 audits; 0.0008 alone".
std::string verdictP(const Verdict& verdict) {
    if (verdict.family <= 1) return formatP(verdict.p);
    return formatP(verdict.adjusted) + " adjusted for the " + grouped(verdict.family) +
           " audits; " + pFigure(verdict.p) + " alone";
}

std::string verdictLine(const TextAudit& audit) {
    const Verdict& verdict = audit.verdict;
    const std::string rolls = countOf(audit.observed.answers, "roll", "rolls");
    const std::string against = std::string(", tested against ") + diceOf(audit);
    std::string s;
    switch (verdict.kind) {
        case Verdict::Kind::Impossible:
            return std::string("these answers cannot come from ") + diceOf(audit) +
                   " (p = 0): no roll of this text gives " + audit.observed.firstImpossible;
        case Verdict::Kind::OneTotal:
            return "nothing to test: every roll of this text gives " + number(audit.lowest);
        case Verdict::Kind::TooFew:
            return "too few rolls to tell anything (" + rolls + ")";
        case Verdict::Kind::Unlikely:
            return std::string("these totals are very unlikely from ") + diceOf(audit) + " (" +
                   verdictP(verdict) + ")";
        case Verdict::Kind::Unclear:
            s = "no clear sign of unfair dice in " + rolls + against + " (" + verdictP(verdict) +
                "): totals this far from them come up by chance now and then";
            break;
        case Verdict::Kind::Fair:
            s = "no sign of unfair dice in " + rolls + against + " (" + verdictP(verdict) + ")";
            break;
    }
    if (verdict.smallSample && audit.caught.empty())
        s += "; so few rolls can show only a large bias";
    return s;
}

// For a verdict that the module's own dice may earn, what the odds leave out.
std::string generatorNote() {
    return "A roll of several dice with an even number of sides can earn this from Orvik's own "
           "module too: its generator's lowest bits repeat every 2^" +
           number(kLowestBitPeriodLog2) + " draws, a pattern the odds leave out.";
}

std::string caughtLine(const TextAudit& audit, const Caught& caught, bool first) {
    const std::string what = biasWords(caught.bias, audit.roll, audit.sneak);
    std::string s = first ? "  these " + grouped(audit.tests.totals) +
                                (audit.tests.totals == 1 ? " total" : " totals") + " would catch "
                          : "  they would catch ";
    s += what + " " + percent(caught.chance) + " of the time; ";
    if (caught.totals90 == 0) return s + "no number of totals catches it 90% of the time";
    return s + "about " + about(caught.totals90) + " would catch it 90% of the time";
}

// Whether these totals could tell the other dice from those tested against, said where they
// have at least even odds of it.
std::string otherDiceLine(const TextAudit& audit) {
    if (!(audit.otherDice >= 0.5)) return "";
    if (audit.ideal())
        return "  these totals would call Orvik's own dice unlikely " + percent(audit.otherDice) +
               " of the time, for their lean: to audit Orvik's rolls, leave out --ideal-dice\n";
    return "  these totals would call ideal dice (every face equally likely, as real dice or "
           "another module may give) unlikely " +
           percent(audit.otherDice) +
           " of the time, for lacking Orvik's lean: for such rolls, --ideal-dice\n";
}

std::string anytimeLine(const TextAudit& audit) {
    const double e = audit::eValueOf(audit.logE);
    std::string s = "  for a log audited again and again: e-value " + eText(e) + ", ";
    s += audit.anytimeFlagged() ? "flagged (at " : "which flags it at ";
    s += grouped(static_cast<std::uint64_t>(std::llround(audit.flagsAt())));
    return s + (audit.anytimeFlagged() ? " or more)\n" : " or more\n");
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

// The texts pooled with this one, quoted, with the shift of those moved.
std::string pooledLine(const AuditHeading& heading) {
    if (heading.pooled.empty()) return "";
    bool shifted = false;
    std::string names;
    for (std::size_t i = 0; i < heading.pooled.size(); ++i) {
        names += (i > 0 ? ", \"" : " \"") + heading.pooled[i] + "\"";
        const std::int64_t shift = i < heading.shifts.size() ? heading.shifts[i] : 0;
        if (shift != 0) {
            shifted = true;
            names += " (" + std::string(shift > 0 ? "+" : "") + number(shift) + ")";
        }
    }
    const std::string s = shifted ? "  pooled with texts of the same dice, their totals moved to "
                                    "this text's by the amount shown:"
                                  : "  pooled with texts of the same odds:";
    return s + names + (heading.morePooled ? " and more\n" : "\n");
}

const char* basisName(SpreadBasis basis) {
    switch (basis) {
        case SpreadBasis::WellFilled:
            return "well_filled";
        case SpreadBasis::FarBelow:
            return "far_below";
        case SpreadBasis::TooMany:
            return "too_many";
        case SpreadBasis::MeanDecides:
            return "mean_decides";
        case SpreadBasis::Simulated:
            break;
    }
    return "simulated";
}

// "bias" and what it is, and its "words", of a bias on roll's dice.
void appendBiasJson(std::string& out, const audit::Bias& bias, const odds::DicePart& roll,
                    bool sneak) {
    if (bias.kind == audit::Bias::Kind::Face) {
        appendf(out, R"("bias":"face","sides":%)" PRId32 R"(,"face":%)" PRId32 R"(,"times":)",
                roll.sides, bias.face);
        appendNumber(out, bias.times);
    } else {
        appendf(out, R"("bias":"shift","shift":%)" PRId64, bias.shift);
    }
    out += ",\"words\":";
    appendJsonString(out, biasWords(bias, roll, sneak));
}

void appendCaughtJson(std::string& out, const TextAudit& audit) {
    out += ",\"caught\":[";
    for (std::size_t i = 0; i < audit.caught.size(); ++i) {
        const Caught& c = audit.caught[i];
        out += i > 0 ? ",{" : "{";
        appendBiasJson(out, c.bias, audit.roll, audit.sneak);
        out += ",\"chance\":";
        appendNumber(out, c.chance);
        out += ",\"totals_for_90\":";
        if (c.totals90 > 0)
            appendf(out, "%" PRIu64, c.totals90);
        else
            out += "null";
        out += '}';
    }
    out += ']';
}

}  // namespace

std::string eText(double e) {
    if (e >= std::numeric_limits<double>::max()) return "infinite";
    std::string s;
    if (e < 1e4) {
        appendf(s, "%.3g", e);
        return s;
    }
    appendf(s, "%.2g", e);
    // "2.3e+06" as "2.3e6"
    const std::size_t at = s.find('e');
    std::string exponent = s.substr(at + 1);
    if (exponent[0] == '+') exponent.erase(0, 1);
    while (exponent.size() > 1 && exponent[0] == '0')
        exponent.erase(0, 1);
    return s.substr(0, at + 1) + exponent;
}

DiceWords diceWords(bool ideal) {
    if (ideal) return {"ideal dice", "every face equally likely"};
    return {"Orvik's dice", "each face as likely as Orvik's generator makes it"};
}

std::string formatP(double p) {
    const std::string figure = pFigure(p);
    return figure[0] == '<' ? "p " + figure : "p = " + figure;
}

std::string pFigure(double p) {
    if (p < 1e-300) return "< 1e-300";  // too small for a double to hold, or only with few digits
    // Three significant figures, or as many more as keep the figure on p's side of each line.
    // Rounding keeps order and each line has one digit, so a figure of 16 digits or fewer is on
    // the other side only when it is the line itself, from above kUnlikely or below kUnclear:
    // told by the line printed alike. Nothing is read back: strtod's long double arithmetic
    // was 14 KB of the WebAssembly core.
    static_assert(audit::kUnlikely == 0.001 && audit::kUnclear == 0.05, "lines of one digit");
    std::string e;
    std::string line;
    int digits = 3;
    for (;; ++digits) {
        e.clear();
        appendf(e, "%.*e", digits - 1, p);
        const auto printedAs = [&](double at) {
            line.clear();
            appendf(line, "%.*e", digits - 1, at);
            return e == line;
        };
        const bool crosses = (p > audit::kUnlikely && printedAs(audit::kUnlikely)) ||
                             (p < audit::kUnclear && printedAs(audit::kUnclear));
        if (!crosses || digits == 17) break;
    }
    // e is "d.dde-xx": its digits, without trailing zeros, and its exponent.
    const std::size_t at = e.find('e');
    std::string mantissa = e.substr(0, at);
    const auto exponent = static_cast<int>(std::strtol(e.c_str() + at + 1, nullptr, 10));
    mantissa.erase(std::remove(mantissa.begin(), mantissa.end(), '.'), mantissa.end());
    while (mantissa.size() > 1 && mantissa.back() == '0')
        mantissa.pop_back();
    std::string s;
    if (exponent >= -3) {
        // 0.00104, 0.13, 1
        if (exponent >= 0) {
            s += mantissa.substr(0, 1);
            if (mantissa.size() > 1) s += "." + mantissa.substr(1);
        } else {
            s += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + mantissa;
        }
        return s;
    }
    // 3.2e-12
    s += mantissa.substr(0, 1);
    if (mantissa.size() > 1) s += "." + mantissa.substr(1);
    return s + "e" + std::to_string(exponent);
}

std::string percent(double chance) {
    // The ends said as they are, not rounded to a certainty.
    if (chance >= 1.0) return "100%";
    if (chance >= 0.995) return "over 99%";
    if (chance <= 0.0) return "0%";
    if (chance < 0.005) return "under 1%";
    return std::to_string(std::lround(chance * 100.0)) + "%";
}

std::string about(std::uint64_t n) {
    std::uint64_t unit = 1;
    while (n / unit >= 100)
        unit *= 10;
    return grouped((n + unit / 2) / unit * unit);
}

std::string biasWords(const audit::Bias& bias, const odds::DicePart& roll, bool sneak) {
    if (bias.kind == audit::Bias::Kind::Shift)
        return std::string(bias.shift >= 0 ? "+" : "") + number(bias.shift) + " on every total";
    const std::string die = "d" + number(roll.sides);
    std::string s;
    if (roll.dice == 1)
        s = sneak ? "the main roll's " + die : "a " + die;
    else
        s = "one " + die + " of " + (sneak ? "the main roll's " : "") + number(roll.dice) + die;
    s += " showing " + number(bias.face) + " ";
    if (bias.times == 1.5) return s + "half again as often";
    if (bias.times == 2.0) return s + "twice as often";
    std::string times;
    appendf(times, "%g times as often", bias.times);
    return s + times;
}

std::string auditText(const std::string& text, const TextAudit& audit,
                      const AuditHeading& heading) {
    const Tests& tests = audit.tests;
    std::string out = text + (audit.sneak ? " (sneak attack)" : "") + rollerOf(heading) + "\n";
    out += pooledLine(heading);
    out += sampleLine(audit);
    out += meanLine(tests.mean);
    out += fitLine(tests.fit);
    if (!tests.fit.classes.empty() && tests.sample > 0) out += histogram(tests.fit);
    out += "  " + verdictLine(audit);
    if (audit.verdict.generatorMayCause) {
        // On two lines, after its colon.
        const std::string note = generatorNote();
        const std::size_t colon = note.find(": ") + 1;
        out += "\n  " + note.substr(0, colon) + "\n  " + note.substr(colon + 1);
    }
    out += "\n";
    if (!audit.verdict.unlikely() && !std::isnan(audit.verdict.p)) {
        for (std::size_t i = 0; i < audit.caught.size(); ++i)
            out += caughtLine(audit, audit.caught[i], i == 0) + "\n";
    }
    if (audit.verdict.kind != Verdict::Kind::Impossible) out += otherDiceLine(audit);
    if (heading.log) out += anytimeLine(audit);
    out.pop_back();
    return out;
}

std::string auditJson(const std::string& text, const TextAudit& audit,
                      const AuditHeading& heading) {
    const Observed& observed = audit.observed;
    const Tests& tests = audit.tests;
    const Verdict& verdict = audit.verdict;
    std::string out = "{\"text\":";
    appendJsonString(out, text);
    out += audit.sneak ? ",\"sneak\":true" : ",\"sneak\":false";
    if (!heading.pooled.empty()) {
        out += ",\"pooled\":[";
        for (std::size_t i = 0; i < heading.pooled.size(); ++i) {
            if (i > 0) out += ',';
            appendJsonString(out, heading.pooled[i]);
        }
        out += heading.morePooled ? "],\"pooled_more\":true" : "],\"pooled_more\":false";
        out += ",\"pooled_shifts\":[";
        for (std::size_t i = 0; i < heading.pooled.size(); ++i) {
            if (i > 0) out += ',';
            out += number(i < heading.shifts.size() ? heading.shifts[i] : 0);
        }
        out += ']';
    }
    appendRollerJson(out, heading);
    appendf(out, ",\"groups\":%" PRId32 ",\"rolls\":%" PRIu64 ",\"totals\":%" PRIu64, audit.groups,
            observed.answers, tests.totals);
    out += audit.everyGroup ? R"(,"groups_tested":"every")" : R"(,"groups_tested":"first")";
    appendf(out, ",\"refused\":%" PRIu64 ",\"sample\":%" PRIu64 ",\"p_error\":", observed.refused,
            tests.sample);
    appendNumber(out, audit.errorProbability);
    appendf(out, ",\"impossible\":%" PRIu64 ",\"first_impossible\":", observed.impossible);
    if (observed.impossible > 0)
        appendJsonString(out, observed.firstImpossible);
    else
        out += "null";
    out += audit.ideal() ? R"(,"dice":"ideal")" : R"(,"dice":"orvik")";
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
    out += ",\"exact\":";
    out += mean.done ? (mean.exact ? "true" : "false") : "null";
    const FitTest& fit = tests.fit;
    out += R"(},"chi_square":{"statistic":)";
    appendJsonNumberOrNull(out, fit.done, fit.statistic);
    out += ",\"degrees_of_freedom\":";
    appendJsonNumberOrNull(out, fit.done, static_cast<double>(fit.degrees));
    out += ",\"p\":";
    appendJsonNumberOrNull(out, fit.done, fit.p);
    out += ",\"tail_p\":";
    appendJsonNumberOrNull(out, fit.done, fit.chiSquareP);
    out += ",\"p_from\":";
    if (!fit.done)
        out += "null";
    else
        appendJsonString(out, basisName(audit.spreadBasis));
    out += ",\"simulated\":";
    if (fit.simulated) {
        appendf(out,
                "{\"samples\":%" PRIu64 ",\"reached\":%" PRIu64 ",\"seed\":\"%016" PRIx64 "\"}",
                fit.draws, fit.reached, fit.seed);
    } else {
        out += "null";
    }
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
    const bool tested = !std::isnan(verdict.p);
    out += "]},\"p\":";
    appendJsonNumberOrNull(out, tested, verdict.p);
    out += ",\"p_adjusted\":";
    appendJsonNumberOrNull(out, tested, verdict.adjusted);
    appendf(out, ",\"audits\":%" PRIu64, verdict.family);
    out += ",\"unlikely\":";
    out += verdict.unlikely() ? "true" : "false";
    out += ",\"verdict\":";
    appendJsonString(out, verdictLine(audit));
    out += ",\"note\":";
    if (verdict.generatorMayCause)
        appendJsonString(out, generatorNote());
    else
        out += "null";
    appendCaughtJson(out, audit);
    out += ",\"other_dice\":";
    if (std::isnan(audit.otherDice)) {
        out += "null";
    } else {
        out += audit.ideal() ? R"({"dice":"orvik","chance":)" : R"({"dice":"ideal","chance":)";
        appendNumber(out, audit.otherDice);
        out += '}';
    }
    out += R"(,"anytime":{"e_value":)";
    appendNumber(out, audit::eValueOf(audit.logE));
    out += ",\"weight\":";
    appendNumber(out, audit.weight());
    out += ",\"flags_at\":";
    appendNumber(out, audit.flagsAt());
    out += ",\"flagged\":";
    out += audit.anytimeFlagged() ? "true}" : "false}";
    out += '}';
    return out;
}

std::string auditRefusal(const std::string& text, const char* message, AuditForm form) {
    if (form == AuditForm::Json) return refusalJson(text, message);
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

std::string togetherText(const std::vector<std::string>& names,
                         const std::vector<TextAudit>& audits, bool log) {
    std::uint64_t family = 0;
    std::uint64_t unlikely = 0;
    std::size_t smallest = audits.size();
    std::string named;
    for (std::size_t i = 0; i < audits.size(); ++i) {
        const Verdict& v = audits[i].verdict;
        if (v.unlikely() && ++unlikely <= kMostNamedUnlikely) {
            named += (unlikely > 1 ? ", \"" : " \"") + names[i] + "\" (";
            named += v.kind == Verdict::Kind::Impossible ? "p = 0" : formatP(v.adjusted);
            named += ")";
        }
        if (std::isnan(v.p)) continue;
        family = std::max(family, v.family);
        if (smallest == audits.size() || v.adjusted < audits[smallest].verdict.adjusted)
            smallest = i;
    }
    std::string s;
    if (audits.size() > 1) {
        s = countOf(audits.size(), "audit", "audits");
        if (family > 1) s += ", each p-value adjusted for all " + grouped(family);
        if (unlikely > 0) {
            s += ": " + grouped(unlikely) + " very unlikely:" + named;
            if (unlikely > kMostNamedUnlikely) s += " and more";
        } else {
            s += ": none very unlikely";
            if (smallest < audits.size())
                s += " (the smallest: " + pFigure(audits[smallest].verdict.adjusted) + ", \"" +
                     names[smallest] + "\")";
        }
    }
    if (!log) return s;
    if (!s.empty()) s += "\n";
    const double e = audit::togetherEValue(audits);
    s += "the whole log, audited again and again: e-value " + eText(e);
    return s + (e >= 1.0 / audit::kUnlikely ? ", flagged (at 1,000 or more)"
                                            : ", which flags it at 1,000 or more");
}

namespace {

std::uint64_t rollsFor(std::uint64_t totals, std::uint64_t perRoll) {
    return (totals + perRoll - 1) / perRoll;
}

// "no d6 shows 20", where the face is not on the die.
std::string notShown(const AuditPlan& plan, const audit::Bias& bias) {
    return "no d" + number(plan.roll.sides) + " shows " + number(bias.face);
}

}  // namespace

std::string planText(const std::string& text, const AuditPlan& plan) {
    std::string out = text + (plan.sneak ? " (sneak attack)" : "") + "\n";
    out += againstLine(plan.ideal);
    if (!plan.known) {
        return out + "  what an audit of it could catch is not worked out: " +
               (plan.oneTotal ? "every roll of it gives the same total"
                              : "its answers can be refused, in ways a bias would change");
    }
    if (plan.perRoll > 1)
        out += "  " + countOf(plan.perRoll, "total", "totals") + " tested a roll\n";
    if (plan.rolls > 0) {
        out += "  " + countOf(plan.rolls, "roll", "rolls") +
               " would catch, in an audit alone (p at 0.001 or below):\n";
    } else {
        out +=
            "  the rolls an audit alone needs to catch each 90% of the time (p at 0.001 or "
            "below):\n";
    }
    const auto needed = [&plan](std::uint64_t totals) {
        return totals == 0 ? std::string("no number of rolls does")
                           : "about " + about(rollsFor(totals, plan.perRoll)) + " rolls";
    };
    for (const PlannedBias& p : plan.biases) {
        out += "    " + biasWords(p.bias, plan.roll, plan.sneak) + ": ";
        if (!p.shown)
            out += notShown(plan, p.bias);
        else if (plan.rolls > 0)
            out += percent(p.chance) + " of the time; 90% of the time: " + needed(p.totals90);
        else
            out += needed(p.totals90);
        out += "\n";
    }
    out += plan.ideal ? "    Orvik's own dice, for their lean: "
                      : "    ideal dice (every face equally likely), for lacking Orvik's lean: ";
    if (plan.rolls > 0) out += percent(plan.otherChance) + " of the time; 90% of the time: ";
    return out + needed(plan.otherTotals90);
}

std::string planJson(const std::string& text, const AuditPlan& plan) {
    std::string out = "{\"text\":";
    appendJsonString(out, text);
    out += plan.sneak ? ",\"sneak\":true" : ",\"sneak\":false";
    out += plan.ideal ? R"(,"dice":"ideal")" : R"(,"dice":"orvik")";
    appendf(out, ",\"totals_per_roll\":%" PRIu64 ",\"rolls\":", plan.perRoll);
    if (plan.rolls > 0)
        appendf(out, "%" PRIu64, plan.rolls);
    else
        out += "null";
    out += plan.known ? R"(,"known":true,"biases":[)" : R"(,"known":false,"biases":[)";
    // A count, or null where there is none.
    const auto count = [&out](bool known, std::uint64_t n) {
        if (known && n > 0)
            appendf(out, "%" PRIu64, n);
        else
            out += "null";
    };
    for (std::size_t i = 0; i < plan.biases.size(); ++i) {
        const PlannedBias& p = plan.biases[i];
        out += i > 0 ? ",{" : "{";
        appendBiasJson(out, p.bias, plan.roll, plan.sneak);
        if (!p.shown) {
            out += ",\"error\":";
            appendJsonString(out, notShown(plan, p.bias));
        }
        const bool weighed = plan.known && p.shown;
        out += ",\"totals_for_90\":";
        count(weighed, p.totals90);
        out += ",\"rolls_for_90\":";
        count(weighed, rollsFor(p.totals90, plan.perRoll));
        out += ",\"chance\":";
        if (weighed && plan.rolls > 0)
            appendNumber(out, p.chance);
        else
            out += "null";
        out += '}';
    }
    out += "],\"other_dice\":";
    if (!plan.known) return out + "null}";
    out +=
        plan.ideal ? R"({"dice":"orvik","totals_for_90":)" : R"({"dice":"ideal","totals_for_90":)";
    count(true, plan.otherTotals90);
    out += ",\"rolls_for_90\":";
    count(true, rollsFor(plan.otherTotals90, plan.perRoll));
    out += ",\"chance\":";
    if (plan.rolls > 0)
        appendNumber(out, plan.otherChance);
    else
        out += "null";
    return out + "}}";
}

std::string auditOutOfMemory(const std::string& text, bool sneak, std::uint64_t rolls,
                             const AuditHeading& heading, AuditForm form) {
    const bool json = form == AuditForm::Json;
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
