#include "print/ProgressPrint.h"

#include <cmath>

#include "print/Format.h"

namespace orvik::print {

namespace {

// Two figures are enough for a rate that changes as it is read.
std::string rateOf(double perSecond) {
    std::string s;
    // Each bound is where the figure below it would round up to the next unit.
    if (perSecond >= 999.95e6)
        appendf(s, "%.1f billion", perSecond / 1e9);
    else if (perSecond >= 999.5e3)
        appendf(s, "%.1f million", perSecond / 1e6);
    else if (perSecond >= 1e4)
        appendf(s, "%.0f thousand", perSecond / 1e3);
    else
        s = grouped(static_cast<std::uint64_t>(std::llround(perSecond)));
    return s + " a second";
}

// The unit that gives a whole number people can take in at a glance.
std::string timeLeft(double seconds) {
    if (seconds < 1.0) return "less than a second left";
    struct Unit {
        double seconds;
        double below;  // the next unit takes over here, in this one's seconds
        const char* one;
        const char* many;
    };
    static const Unit kUnits[] = {
        {1, 90, "second", "seconds"},
        {60, 90 * 60, "minute", "minutes"},
        {3600, 48 * 3600, "hour", "hours"},
        {86400, 730 * 86400.0, "day", "days"},
        {365.25 * 86400, HUGE_VAL, "year", "years"},
    };
    for (const Unit& unit : kUnits) {
        if (seconds >= unit.below) continue;
        const auto n = static_cast<std::uint64_t>(std::llround(seconds / unit.seconds));
        return "about " + countOf(n, unit.one, unit.many) + " left";
    }
    return {};
}

}  // namespace

Progress progressOf(std::uint64_t done, std::uint64_t asked, double seconds) {
    Progress p;
    p.done = grouped(done) + " of " + countOf(asked, "roll", "rolls");
    if (done == 0 || seconds <= 0.0) return p;
    const double perSecond = static_cast<double>(done) / seconds;
    p.rate = rateOf(perSecond);
    p.left = timeLeft(static_cast<double>(asked - done) / perSecond);
    return p;
}

Progress logProgressOf(std::uint64_t done, std::uint64_t asked, double seconds) {
    Progress p;
    const auto megabytes = [](std::uint64_t bytes) {
        std::string s;
        appendf(s, "%.1f MB", static_cast<double>(bytes) / 1e6);
        return s;
    };
    p.done = megabytes(done) + (asked > 0 ? " of " + megabytes(asked) : "") + " read";
    if (done == 0 || seconds <= 0.0) return p;
    const double perSecond = static_cast<double>(done) / seconds;
    p.rate = megabytes(static_cast<std::uint64_t>(perSecond)) + " a second";
    if (asked > done) p.left = timeLeft(static_cast<double>(asked - done) / perSecond);
    return p;
}

}  // namespace orvik::print
