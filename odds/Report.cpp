// The odds as people and scripts read them.
#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "dice/DiceError.h"
#include "odds/Json.h"
#include "odds/Odds.h"

namespace orvik::odds {

namespace {

constexpr std::size_t kMaxRows = 60;     // a longer table is condensed
constexpr std::size_t kTargetRows = 50;  // the most ranges a condensed table aims for
constexpr double kTailMass = 0.0005;     // each summarised tail carries at most this
constexpr int kBarCells = 40;

__attribute__((format(printf, 2, 3))) void appendf(std::string& out, const char* format, ...) {
    char buffer[96];
    std::va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    out.append(buffer, static_cast<std::size_t>(std::clamp(n, 0, int{sizeof buffer} - 1)));
}

std::string number(std::int64_t value) {
    std::string s;
    appendf(s, "%" PRId64, value);
    return s;
}

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
    std::size_t first = 0, last = p.size() - 1, width = 1;
    double below = 0.0, over = 0.0;
    if (p.size() > kMaxRows) {
        // Of the chance of a result, which the refused answers leave less than 1.
        const double tail = kTailMass * std::accumulate(p.begin(), p.end(), 0.0);
        while (first < last && below + p[first] <= tail)
            below += p[first++];
        while (last > first && over + p[last] <= tail)
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

// A bar of eighths of a cell, so that close chances still differ.
std::string bar(double fraction) {
    static const char* const kEighths[] = {"", "▏", "▎", "▍", "▌", "▋", "▊", "▉"};
    const auto eighths = static_cast<long>(std::lround(fraction * kBarCells * 8));
    std::string s;
    for (long i = 0; i < eighths / 8; ++i)
        s += "█";
    return s + kEighths[eighths % 8];
}

std::size_t displayWidth(const std::string& s) {
    // Every character here is one cell; count the UTF-8 lead bytes.
    return static_cast<std::size_t>(std::count_if(
        s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void pad(std::string& out, const std::string& s, std::size_t width) {
    out.append(width > displayWidth(s) ? width - displayWidth(s) : 0, ' ');
    out += s;
}

void appendJsonPart(std::string& out, const char* name, const DicePart& part) {
    appendf(out, ",\"%s\":{\"dice\":%" PRId32 ",\"sides\":%" PRId32 ",\"modifier\":%" PRId32 "}",
            name, part.dice, part.sides, part.modifier);
}

}  // namespace

std::vector<double> atLeast(const Odds& odds) {
    // Summed from the top so that the small end stays exact. The sum of every chance can round
    // above the chance of a result; that, and no more, is what the lowest total or more has. But
    // when the error is the likelier answer, 1 - p_error keeps only the digits of p_error, and
    // the sum itself tells a small chance of a result better.
    const std::vector<double>& p = odds.totals.probability;
    const bool capped = odds.errorProbability <= 0.5;
    const double results = 1.0 - odds.errorProbability;
    std::vector<double> out(p.size());
    double hi = 0.0, lo = 0.0;
    for (std::size_t i = p.size(); i-- > 0;) {
        twoSum(hi, lo, p[i]);
        out[i] = capped ? std::min(hi + lo, results) : hi + lo;
    }
    if (capped && !out.empty()) out[0] = results;
    return out;
}

std::string formatText(const std::string& text, const Odds& odds) {
    const Distribution& totals = odds.totals;
    std::string out = text + "\n";
    std::string each = describe(odds.roll);
    if (odds.sneak) each += " plus the sneak attack " + describe(odds.sneakDice);
    if (odds.groups == 1) {
        out += "  1 group: " + each + "\n";
    } else {
        out += "  " + number(odds.groups) + " groups, each " + each;
        out += odds.sneak ? " (one sneak attack total, added to every group)\n" : "\n";
    }
    if (odds.errorProbability > 0.0) {
        std::string why = odds.tooLow ? "a combined total below -2147483648" : "";
        if (odds.tooLow && odds.tooLong) why += ", or ";
        if (odds.tooLong) {
            why += "a sentence longer than the host buffer of " +
                   number(static_cast<std::int64_t>(odds.hostBuffer)) + " bytes holds";
        }
        out += "  The module answers \"" + std::string(kInvalidArguments) + "\" with chance " +
               percent(odds.errorProbability) + " (" + why +
               "); the mean and deviation are of the results alone.\n";
    }
    out += "  minimum " + number(totals.lowest) + ", maximum " + number(totals.highest());
    appendf(out, ", mean %.4f, standard deviation %.4f\n", odds.mean, odds.standardDeviation);

    std::string note;
    const std::vector<double> above = atLeast(odds);
    const std::vector<Row> rows = tableRows(totals, above, odds.errorProbability > 0.0, note);
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
        const std::string b = bar(row.probability / largest);
        if (!b.empty()) out += "  " + b;
    }
    return out;
}

std::string formatJson(const std::string& text, const Odds& odds) {
    const Distribution& totals = odds.totals;
    std::string out = "{\"text\":";
    appendJsonString(out, text);
    appendf(out, ",\"groups\":%" PRId32, odds.groups);
    appendJsonPart(out, "roll", odds.roll);
    if (odds.sneak) appendJsonPart(out, "sneak", odds.sneakDice);
    out += ",\"p_error\":";
    appendNumber(out, odds.errorProbability);
    appendf(out, ",\"min\":%" PRId64 ",\"max\":%" PRId64, totals.lowest, totals.highest());
    out += ",\"mean\":";
    appendNumber(out, odds.mean);
    out += ",\"standard_deviation\":";
    appendNumber(out, odds.standardDeviation);
    out += ",\"totals\":[";
    const std::vector<double> above = atLeast(odds);
    for (std::size_t i = 0; i < above.size(); ++i) {
        out += i > 0 ? ",{\"total\":" : "{\"total\":";
        appendNumber(out, totals.lowest + static_cast<std::int64_t>(i));
        out += ",\"p\":";
        appendNumber(out, totals.probability[i]);
        out += ",\"at_least\":";
        appendNumber(out, above[i]);
        out += '}';
    }
    out += "]}";
    return out;
}

std::string formatJsonError(const std::string& text, const char* message) {
    std::string out = "{\"text\":";
    appendJsonString(out, text);
    out += ",\"error\":";
    appendJsonString(out, message);
    out += '}';
    return out;
}

bool Answers::answer(const char* text, std::size_t length, std::string& out) {
    const std::string roll(text, length);
    out.clear();
    if (!json_ && !first_) out = "\n";  // a blank line between reports
    first_ = false;
    try {
        // A line holding a NUL byte is no roll text, as the command answers when rolling it.
        if (roll.find('\0') != std::string::npos) throw DiceError(kInvalidArguments);
        const Odds odds = sneak_ ? sneakOdds(roll.c_str()) : rollOdds(roll.c_str());
        out += json_ ? formatJson(roll, odds) : formatText(roll, odds);
        return true;
    } catch (const DiceError& error) {
        out += json_ ? formatJsonError(roll, error.what()) : error.what();
        return false;
    }
}

}  // namespace orvik::odds
