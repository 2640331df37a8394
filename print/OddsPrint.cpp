#include "print/OddsPrint.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "dice/DiceError.h"
#include "print/Format.h"
#include "print/Json.h"

namespace orvik::print {

using odds::atLeast;
using odds::atMost;
using odds::DicePart;
using odds::Distribution;
using odds::kOrMore;

namespace {

constexpr std::size_t kMaxRows = 60;     // a longer table is condensed
constexpr std::size_t kTargetRows = 50;  // the most ranges a condensed table aims for
constexpr double kTailMass = 0.0005;     // each summarised tail carries at most this

// "4d6+6", "d20", "2d8-3"
std::string describe(const DicePart& part) {
    std::string s = part.dice == 1 ? "" : number(part.dice);
    s += "d" + number(part.sides);
    if (part.modifier > 0) s += "+";
    if (part.modifier != 0) s += number(part.modifier);
    return s;
}

std::string percent(double p) {
    std::string s;
    const double v = p * 100.0;
    if (v == 0.0) {
        s = "0%";
    } else if (v >= 0.0001) {
        appendf(s, "%.4f%%", v);
    } else {
        appendf(s, "%.2e%%", v);  // too small for four decimals, but not zero
    }
    return s;
}

// One row of the table: totals first to last.
struct Row {
    std::string label;
    double probability;
    double atLeast;
};

std::size_t niceWidth(std::size_t count) {
    const std::size_t wanted = (count + kTargetRows - 1) / kTargetRows;
    for (std::size_t scale = 1;; scale *= 10) {
        for (const std::size_t step : {std::size_t{1}, std::size_t{2}, std::size_t{5}}) {
            if (step * scale >= wanted) return step * scale;
        }
    }
}

// Every total when they are few; otherwise the totals carrying at least 99.9% of the chance,
// in ranges of a round width if still too many, with each tail summarised in one row.
std::vector<Row> tableRows(const Distribution& totals, const std::vector<double>& above,
                           bool refused, std::string& note) {
    const std::vector<double>& p = totals.probability;
    std::size_t first = 0;
    std::size_t last = p.size() - 1;
    std::size_t width = 1;
    double below = 0.0;
    double over = 0.0;
    if (p.size() > kMaxRows) {
        // Of the chance of a result, which the refused answers leave less than 1.
        // When every chance rounds to 0 no totals carry more than the others: none are cut.
        const double tail = kTailMass * std::accumulate(p.begin(), p.end(), 0.0);
        while (tail > 0.0 && first < last && below + p[first] <= tail)
            below += p[first++];
        while (tail > 0.0 && last > first && over + p[last] <= tail)
            over += p[last--];
        width = last - first + 1 > kMaxRows ? niceWidth(last - first + 1) : 1;
    }
    const auto total = [&](std::size_t i) { return totals.lowest + static_cast<std::int64_t>(i); };
    std::vector<Row> rows;
    if (first > 0) rows.push_back({"≤" + number(total(first - 1)), below, above[0]});
    // Ranges start at totals one above a multiple of the width: 1..10, 11..20, ...
    const auto step = static_cast<std::int64_t>(width);
    for (std::size_t i = first, end = 0; i <= last; i = end) {
        const std::int64_t offset = ((total(i) - 1) % step + step) % step;
        end = std::min(i + static_cast<std::size_t>(step - offset), last + 1);
        double mass = 0.0;
        for (std::size_t j = i; j < end; ++j)
            mass += p[j];
        std::string label = number(total(i));
        if (end - i > 1) label += ".." + number(total(end - 1));
        rows.push_back({label, mass, above[i]});
    }
    if (last + 1 < p.size()) {
        rows.push_back({"≥" + number(total(last + 1)), over, above[last + 1]});
    }
    if (first > 0 || last + 1 < p.size() || width > 1) {
        note = "  Condensed: ";
        if (first > 0 || last + 1 < p.size()) {
            note += "totals " + number(total(first)) + " to " + number(total(last)) +
                    " carry at least 99.9% of the chance" + (refused ? " of a result" : "") +
                    ", the rest is summed at each end";
        }
        if (width > 1) {
            note += first > 0 || last + 1 < p.size() ? "; " : "";
            note += "totals in ranges of " + number(static_cast<std::int64_t>(width));
        }
        note += " (--json lists every total).\n";
    }
    return rows;
}

void appendJsonPart(std::string& out, const char* name, const DicePart& part) {
    appendf(out, ",\"%s\":{\"dice\":%" PRId32 ",\"sides\":%" PRId32 ",\"modifier\":%" PRId32 "}",
            name, part.dice, part.sides, part.modifier);
}

// What one group rolls: "d20+5", with the sneak attack's dice where they are added.
std::string each(const Odds& odds) {
    std::string s = describe(odds.roll);
    if (odds.sneak) s += " plus the sneak attack " + describe(odds.sneakDice);
    return s;
}

std::string groupLine(const Odds& odds) {
    if (odds.groups == 1) return "  1 group: " + each(odds) + "\n";
    return "  " + number(odds.groups) + " groups, each " + each(odds) +
           (odds.sneak ? " (one sneak attack total, added to every group)\n" : "\n");
}

// Why the module may answer with the error instead of a result.
std::string why(const Odds& odds) {
    std::string s = odds.results.tooLow ? "a combined total below -2147483648" : "";
    if (odds.results.tooLow && odds.results.tooLong) s += ", or ";
    if (odds.results.tooLong) {
        s += "a sentence longer than the host buffer of " +
             number(static_cast<std::int64_t>(odds.hostBuffer)) + " bytes holds";
    }
    return s;
}

std::string refusalLine(double chance, const std::string& reason, const char* then) {
    return "  The module answers \"" + std::string(kInvalidArguments) + "\" with chance " +
           percent(chance) + " (" + reason + "); " + then + ".\n";
}

// A text report's first lines: the text, its groups, and the error's chance where it has one,
// then what the figures that follow are of.
std::string textHead(const std::string& text, const Odds& odds, const char* then) {
    std::string out = text + "\n" + groupLine(odds);
    if (odds.results.errorProbability > 0.0)
        out += refusalLine(odds.results.errorProbability, why(odds), then);
    return out;
}

// ", mean 10.5000, standard deviation 2.8723".
std::string moments(const Odds& odds) {
    std::string s;
    appendf(s, ", mean %.4f, standard deviation %.4f\n", odds.mean, odds.standardDeviation);
    return s;
}

void appendJsonHead(std::string& out, const std::string& text, const Odds& odds) {
    out += "{\"text\":";
    appendJsonString(out, text);
    appendf(out, ",\"groups\":%" PRId32, odds.groups);
    appendJsonPart(out, "roll", odds.roll);
    if (odds.sneak) appendJsonPart(out, "sneak", odds.sneakDice);
    out += ",\"p_error\":";
    appendNumber(out, odds.results.errorProbability);
}

}  // namespace

std::string targetText(const std::string& text, const Odds& odds, const TargetOdds& reaching) {
    const std::string n = number(reaching.target);
    std::string out = textHead(text, odds, "the chances below are of results");
    out += "  one total reaches " + n + " (" + n + " or more): " + percent(reaching.reach);
    if (odds.groups == 1) return out;
    out += "\n  exactly k of the " + number(odds.groups) + " groups reach " + n + ":";
    constexpr std::size_t kWidth = 14;
    out += "\n     k";
    pad(out, "P(exactly k)", kWidth);
    pad(out, "P(k or more)", kWidth);
    const std::vector<double> more = kOrMore(odds, reaching);
    for (std::size_t k = 0; k < more.size(); ++k) {
        out += "\n  ";
        pad(out, number(static_cast<std::int64_t>(k)), 4);
        pad(out, percent(reaching.exactly[k]), kWidth);
        pad(out, percent(more[k]), kWidth);
    }
    return out;
}

std::string targetJson(const std::string& text, const Odds& odds, const TargetOdds& reaching) {
    std::string out;
    appendJsonHead(out, text, odds);
    appendf(out, ",\"target\":%" PRId64 ",\"at_least\":", reaching.target);
    appendNumber(out, reaching.reach);
    out += ",\"exactly\":[";
    for (std::size_t k = 0; k < reaching.exactly.size(); ++k) {
        if (k > 0) out += ',';
        appendNumber(out, reaching.exactly[k]);
    }
    out += "],\"or_more\":[";
    const std::vector<double> more = kOrMore(odds, reaching);
    for (std::size_t k = 0; k < more.size(); ++k) {
        if (k > 0) out += ',';
        appendNumber(out, more[k]);
    }
    out += "]}";
    return out;
}

std::string contestText(const std::string& text, const Odds& odds, const std::string& versus,
                        const Odds& other, const Contest& chances) {
    std::string out = text + " vs " + versus + "\n  one total of " + each(odds) +
                      " against one total of " + each(other) + "\n";
    if (chances.errorProbability > 0.0) {
        std::string reason;
        // Texts can be long: the roll they are is named instead.
        if (odds.results.errorProbability > 0.0) reason = "this roll: " + why(odds);
        if (odds.results.errorProbability > 0.0 && other.results.errorProbability > 0.0)
            reason += "; ";
        if (other.results.errorProbability > 0.0) reason += "the other: " + why(other);
        out +=
            refusalLine(chances.errorProbability, reason, "the chances below are of two results");
    }
    const std::pair<const char*, double> rows[] = {
        {"greater", chances.greater}, {"equal", chances.equal}, {"less", chances.less}};
    for (const auto& [name, chance] : rows) {
        out += "  ";
        out += name;
        pad(out, percent(chance), 18 - std::strlen(name));
        out += "\n";
    }
    out.pop_back();  // the caller ends the report
    return out;
}

std::string contestJson(const std::string& text, const std::string& versus,
                        const Contest& chances) {
    std::string out = "{\"text\":";
    appendJsonString(out, text);
    out += ",\"vs\":";
    appendJsonString(out, versus);
    const std::pair<const char*, double> fields[] = {{"p_error", chances.errorProbability},
                                                     {"greater", chances.greater},
                                                     {"equal", chances.equal},
                                                     {"less", chances.less}};
    for (const auto& [name, chance] : fields) {
        appendf(out, ",\"%s\":", name);
        appendNumber(out, chance);
    }
    out += '}';
    return out;
}

std::string oddsText(const std::string& text, const Odds& odds) {
    const Distribution& totals = odds.results.totals;
    std::string out = textHead(text, odds, "the mean and deviation are of the results alone");
    out += "  minimum " + number(totals.lowest) + ", maximum " + number(totals.highest());
    out += moments(odds);

    std::string note;
    const std::vector<double> above = atLeast(odds);
    const std::vector<Row> rows =
        tableRows(totals, above, odds.results.errorProbability > 0.0, note);
    out += note;
    std::size_t labelWidth = std::string("total").size();
    double largest = 0.0;
    for (const Row& row : rows) {
        labelWidth = std::max(labelWidth, displayWidth(row.label));
        largest = std::max(largest, row.probability);
    }
    constexpr std::size_t kNumberWidth = 11;
    out += "  ";
    pad(out, "total", labelWidth);
    pad(out, "P(total)", kNumberWidth);
    pad(out, "P(at least)", kNumberWidth + 1);
    for (const Row& row : rows) {
        out += "\n  ";
        pad(out, row.label, labelWidth);
        pad(out, percent(row.probability), kNumberWidth);
        pad(out, percent(row.atLeast), kNumberWidth + 1);
        // Every chance may round to 0: then there is nothing to draw.
        const std::string b = largest > 0.0 ? bar(row.probability / largest) : "";
        if (!b.empty()) out += "  " + b;
    }
    return out;
}

namespace {

// The table's object up to its totals.
void appendTableHead(std::string& out, const std::string& text, const Odds& odds) {
    const Distribution& totals = odds.results.totals;
    appendJsonHead(out, text, odds);
    appendf(out, ",\"min\":%" PRId64 ",\"max\":%" PRId64, totals.lowest, totals.highest());
    out += ",\"mean\":";
    appendNumber(out, odds.mean);
    out += ",\"standard_deviation\":";
    appendNumber(out, odds.standardDeviation);
}

}  // namespace

std::string oddsJsonHead(const std::string& text, const Odds& odds) {
    std::string out;
    appendTableHead(out, text, odds);
    out += '}';
    return out;
}

std::string oddsJson(const std::string& text, const Odds& odds) {
    const Distribution& totals = odds.results.totals;
    std::string out;
    appendTableHead(out, text, odds);
    out += ",\"totals\":[";
    const std::vector<double> above = atLeast(odds);
    const std::vector<double> below = atMost(odds);
    for (std::size_t i = 0; i < above.size(); ++i) {
        out += i > 0 ? ",{\"total\":" : "{\"total\":";
        appendNumber(out, totals.lowest + static_cast<std::int64_t>(i));
        out += ",\"p\":";
        appendNumber(out, totals.probability[i]);
        out += ",\"at_least\":";
        appendNumber(out, above[i]);
        out += ",\"at_most\":";
        appendNumber(out, below[i]);
        out += '}';
    }
    out += "]}";
    return out;
}

std::string refusalJson(const std::string& text, const char* message) {
    std::string out = "{\"text\":";
    appendJsonString(out, text);
    out += ",\"error\":";
    appendJsonString(out, message);
    out += '}';
    return out;
}

// The message alone would blame this text; the other is named, not repeated, since a text the
// command refuses may not even fit on a line.
std::string contestRefusalText(const char* message, bool versus) {
    return versus ? std::string(message) + "\n  refused: TEXT2, the text after --vs" : message;
}

std::string contestRefusalJson(const std::string& text, const std::string& other,
                               const char* message, bool versus) {
    std::string out = "{\"text\":";
    appendJsonString(out, text);
    out += ",\"vs\":";
    appendJsonString(out, other);
    out += ",\"error\":";
    appendJsonString(out, message);
    out += versus ? R"(,"refused":"vs"})" : R"(,"refused":"text"})";
    return out;
}

}  // namespace orvik::print
