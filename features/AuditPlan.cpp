#include "features/AuditPlan.h"

#include <cinttypes>
#include <cmath>
#include <cstdlib>

#include "audit/Sample.h"
#include "features/RollText.h"
#include "print/Format.h"
#include "print/Json.h"

namespace orvik::features {

namespace {

using audit::Bias;
using print::about;
using print::appendf;
using print::percent;

// The most of a face's weight a bias may give: beyond it the face is nearly all a die shows.
constexpr double kMostTimes = 1000.0;

// Totals tested per roll: every group's of a plain roll, the first's otherwise.
std::uint64_t totalsPerRoll(const odds::Odds& odds) {
    return audit::countsEveryGroup(odds) ? static_cast<std::uint64_t>(odds.groups) : 1;
}

std::uint64_t rollsFor(std::uint64_t totals, std::uint64_t perRoll) {
    return (totals + perRoll - 1) / perRoll;
}

struct Planned {
    Bias bias;
    std::string words;
    std::string error;  // why it cannot be weighed, if it cannot
    std::uint64_t totals90 = 0;
    double chance = 0.0;  // with the rolls given
};

}  // namespace

bool readBias(const std::string& written, Bias& bias) {
    if (written.size() >= 2 && (written[0] == '+' || written[0] == '-')) {
        std::int64_t n = 0;
        for (std::size_t i = 1; i < written.size(); ++i) {
            if (written[i] < '0' || written[i] > '9' || n > 100000000) return false;
            n = n * 10 + (written[i] - '0');
        }
        bias = Bias{Bias::Kind::Shift, 0, 1.0, written[0] == '-' ? -n : n};
        return n != 0;
    }
    const std::size_t x = written.find('x');
    if (x == std::string::npos || x == 0 || x > 3 || x + 1 == written.size()) return false;
    std::int32_t face = 0;
    for (std::size_t i = 0; i < x; ++i) {
        if (written[i] < '0' || written[i] > '9') return false;
        face = face * 10 + (written[i] - '0');
    }
    // TIMES: digits, with at most one point among them.
    bool point = false;
    for (std::size_t i = x + 1; i < written.size(); ++i) {
        const char c = written[i];
        if (c == '.' && !point && i > x + 1 && i + 1 < written.size()) {
            point = true;
        } else if (c < '0' || c > '9') {
            return false;
        }
    }
    const double times = std::strtod(written.c_str() + x + 1, nullptr);
    if (face < 1 || !(times > 0.0) || times > kMostTimes || times == 1.0) return false;
    bias = Bias{Bias::Kind::Face, face, times, 0};
    return true;
}

std::string planOf(const std::string& text, const PlanOptions& options) {
    odds::Odds odds = oddsOf(text, options.sneak);
    if (options.dice != odds::Faces::Orvik) odds = odds::withFaces(odds, options.dice);
    const bool ideal = options.dice == odds::Faces::Ideal;
    const std::uint64_t perRoll = totalsPerRoll(odds);
    const std::uint64_t totals = options.rolls * perRoll;
    const bool known = audit::catchKnown(odds);
    std::vector<Bias> biases = options.biases;
    if (biases.empty())
        biases = {audit::topFace(odds, 1.5), audit::topFace(odds, 2.0), audit::plusOne()};
    std::vector<Planned> planned;
    for (const Bias& bias : biases) {
        Planned p;
        p.bias = bias;
        p.words = print::biasWords(bias, odds.roll, odds.sneak);
        if (bias.kind == Bias::Kind::Face && bias.face > odds.roll.sides) {
            p.error =
                "no d" + print::number(odds.roll.sides) + " shows " + print::number(bias.face);
        } else if (known) {
            const odds::Distribution truth = audit::biasedTotals(odds, bias);
            p.totals90 = audit::totalsToCatch(odds, truth, 0.9);
            if (options.rolls > 0) p.chance = audit::chanceToCatch(odds, truth, totals);
        }
        planned.push_back(p);
    }
    // The other dice: ideal ones for Orvik's, or the other way round.
    std::uint64_t otherTotals = 0;
    double otherChance = 0.0;
    if (known) {
        const odds::Odds other =
            odds::withFaces(odds, ideal ? odds::Faces::Orvik : odds::Faces::Ideal);
        otherTotals = audit::totalsToCatch(odds, other.results.totals, 0.9);
        if (options.rolls > 0)
            otherChance = audit::chanceToCatch(odds, other.results.totals, totals);
    }

    if (options.form == print::AuditForm::Json) {
        std::string out = "{\"text\":";
        print::appendJsonString(out, text);
        out += odds.sneak ? ",\"sneak\":true" : ",\"sneak\":false";
        out += ideal ? R"(,"dice":"ideal")" : R"(,"dice":"orvik")";
        appendf(out, ",\"totals_per_roll\":%" PRIu64 ",\"rolls\":", perRoll);
        if (options.rolls > 0)
            appendf(out, "%" PRIu64, options.rolls);
        else
            out += "null";
        out += known ? ",\"known\":true" : ",\"known\":false";
        out += ",\"biases\":[";
        for (std::size_t i = 0; i < planned.size(); ++i) {
            const Planned& p = planned[i];
            out += i > 0 ? ",{" : "{";
            if (p.bias.kind == Bias::Kind::Face) {
                appendf(out,
                        "\"bias\":\"face\",\"sides\":%" PRId32 ",\"face\":%" PRId32 ",\"times\":",
                        odds.roll.sides, p.bias.face);
                print::appendNumber(out, p.bias.times);
            } else {
                appendf(out, "\"bias\":\"shift\",\"shift\":%" PRId64, p.bias.shift);
            }
            out += ",\"words\":";
            print::appendJsonString(out, p.words);
            if (!p.error.empty()) {
                out += ",\"error\":";
                print::appendJsonString(out, p.error);
            }
            const bool weighed = known && p.error.empty();
            out += ",\"totals_for_90\":";
            out += weighed && p.totals90 > 0 ? std::to_string(p.totals90) : "null";
            out += ",\"rolls_for_90\":";
            out +=
                weighed && p.totals90 > 0 ? std::to_string(rollsFor(p.totals90, perRoll)) : "null";
            out += ",\"chance\":";
            if (weighed && options.rolls > 0)
                print::appendNumber(out, p.chance);
            else
                out += "null";
            out += '}';
        }
        out += "],\"other_dice\":";
        if (!known) {
            out += "null";
        } else {
            out += ideal ? R"({"dice":"orvik","totals_for_90":)"
                         : R"({"dice":"ideal","totals_for_90":)";
            out += otherTotals > 0 ? std::to_string(otherTotals) : "null";
            out += ",\"rolls_for_90\":";
            out += otherTotals > 0 ? std::to_string(rollsFor(otherTotals, perRoll)) : "null";
            out += ",\"chance\":";
            if (options.rolls > 0)
                print::appendNumber(out, otherChance);
            else
                out += "null";
            out += '}';
        }
        return out + '}';
    }

    std::string out = text + (odds.sneak ? " (sneak attack)" : "") + "\n";
    out += ideal ? "  against ideal dice: every face equally likely\n"
                 : "  against Orvik's dice: each face as likely as Orvik's generator makes it\n";
    if (!known) {
        return out + "  what an audit of it could catch is not worked out: " +
               (odds.results.totals.probability.size() > 1
                    ? "its answers can be refused, in ways a bias would change"
                    : "every roll of it gives the same total");
    }
    const std::string rollsOf = print::countOf(perRoll, "total", "totals") + " tested a roll";
    if (perRoll > 1) out += "  " + rollsOf + "\n";
    if (options.rolls > 0) {
        out += "  " + print::countOf(options.rolls, "roll", "rolls") +
               " would catch, in an audit alone (p at 0.001 or below):\n";
    } else {
        out +=
            "  the rolls an audit alone needs to catch each 90% of the time (p at 0.001 or "
            "below):\n";
    }
    const auto needed = [perRoll](std::uint64_t t) {
        return t == 0 ? std::string("no number of rolls does")
                      : "about " + about(rollsFor(t, perRoll)) + " rolls";
    };
    for (const Planned& p : planned) {
        out += "    " + p.words + ": ";
        if (!p.error.empty())
            out += p.error;
        else if (options.rolls > 0)
            out += percent(p.chance) + " of the time; 90% of the time: " + needed(p.totals90);
        else
            out += needed(p.totals90);
        out += "\n";
    }
    const std::string other = ideal ? "Orvik's own dice, for their lean"
                                    : "ideal dice (every face equally likely), for lacking "
                                      "Orvik's lean";
    out += "    " + other + ": ";
    if (options.rolls > 0) out += percent(otherChance) + " of the time; 90% of the time: ";
    return out + needed(otherTotals);
}

}  // namespace orvik::features
