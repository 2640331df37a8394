#include "features/AuditPlan.h"

#include <cmath>
#include <cstdlib>

#include "audit/Sample.h"
#include "features/RollText.h"

namespace orvik::features {

namespace {

using audit::Bias;

// The most of a face's weight a bias may give: beyond it the face is nearly all a die shows.
constexpr double kMostTimes = 1000.0;

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
    odds::toFaces(odds, options.dice);
    print::AuditPlan plan;
    plan.roll = odds.roll;
    plan.sneak = odds.sneak;
    plan.ideal = options.dice == odds::Faces::Ideal;
    plan.perRoll = audit::countsEveryGroup(odds) ? static_cast<std::uint64_t>(odds.groups) : 1;
    plan.rolls = options.rolls;
    plan.known = audit::catchKnown(odds);
    plan.oneTotal = odds.results.totals.probability.size() == 1;
    const std::uint64_t totals = options.rolls * plan.perRoll;
    std::vector<Bias> biases = options.biases;
    if (biases.empty())
        biases = {audit::topFace(odds, 1.5), audit::topFace(odds, 2.0), audit::plusOne()};
    for (const Bias& bias : biases) {
        print::PlannedBias planned;
        planned.bias = bias;
        planned.shown = bias.kind != Bias::Kind::Face || bias.face <= odds.roll.sides;
        if (planned.shown && plan.known) {
            const odds::Distribution truth = audit::biasedTotals(odds, bias);
            planned.totals90 = audit::totalsToCatch(odds, truth, 0.9);
            if (options.rolls > 0) planned.chance = audit::chanceToCatch(odds, truth, totals);
        }
        plan.biases.push_back(planned);
    }
    // The other dice: ideal ones for Orvik's, or the other way round.
    if (plan.known) {
        const odds::Odds other =
            odds::withFaces(odds, plan.ideal ? odds::Faces::Orvik : odds::Faces::Ideal);
        plan.otherTotals90 = audit::totalsToCatch(odds, other.results.totals, 0.9);
        if (options.rolls > 0)
            plan.otherChance = audit::chanceToCatch(odds, other.results.totals, totals);
    }
    return options.form == print::AuditForm::Json ? print::planJson(text, plan)
                                                  : print::planText(text, plan);
}

}  // namespace orvik::features
