// The roll-text scanner: one pass, one shared position, an invalid-arguments error at the first
// break; then the multiplier applied and the five limits.
//
//   [ prefix "#" ] [ count ] "d" sides { ("+"|"-") n } [ "*" n { "*" n } ] ( end | " " free text )
#include "dice/Parse.h"

#include <cstring>
#include <limits>
#include <memory>

#include "dice/DiceError.h"
#include "dice/Limits.h"

namespace orvik {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The white space atoi skips.
bool isAtoiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

[[noreturn]] void invalidRoll() {
    throw DiceError(kInvalidArguments);
}

std::int32_t readNumber(const char* text, std::size_t& pos) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    std::int32_t value = 0;
    while (isDigit(text[pos])) {
        const std::int32_t digit = text[pos] - '0';
        // A run past 2147483647 is refused rather than wrapped into some other number.
        if (value > (kMax - digit) / 10) invalidRoll();
        value = value * 10 + digit;
        ++pos;
    }
    return value;
}

std::int32_t parseGroups(const char* text, std::size_t& pos, const char* hash) {
    // The first '#' anywhere in the text, free text included, ends the group prefix.
    if (hash == nullptr) return 1;
    const std::size_t k = static_cast<std::size_t>(hash - text);
    // The prefix is converted as a string of its own, the way atoi reads one.
    std::unique_ptr<char[]> prefix(new char[k + 1]);
    std::memcpy(prefix.get(), text, k);
    prefix[k] = '\0';
    std::size_t at = 0;
    while (isAtoiSpace(prefix[at]))
        ++at;
    const bool negative = prefix[at] == '-';
    if (prefix[at] == '+' || prefix[at] == '-') ++at;
    const std::int32_t value = readNumber(prefix.get(), at);
    const std::int32_t groups = negative ? -value : value;
    if (groups <= 0) invalidRoll();
    pos = k + 1;
    if (text[pos] == '\0') invalidRoll();
    return groups;
}

std::int32_t parseDice(const char* text, std::size_t& pos) {
    if (text[pos] == 'd') {
        ++pos;
        return 1;
    }
    const std::int32_t dice = readNumber(text, pos);
    if (dice <= 0) invalidRoll();
    if (text[pos++] != 'd') invalidRoll();
    return dice;
}

std::int32_t parseSides(const char* text, std::size_t& pos) {
    const std::int32_t sides = readNumber(text, pos);
    if (sides <= 0) invalidRoll();
    return sides;
}

std::int64_t parseModifiers(const char* text, std::size_t& pos) {
    std::int64_t sum = 0;
    while (text[pos] == '+' || text[pos] == '-') {
        const bool add = text[pos] == '+';
        ++pos;
        const std::int32_t value = readNumber(text, pos);
        if (value <= 0) invalidRoll();
        // Each term is below 2^31, so only billions of terms could leave 64 bits.
        if (__builtin_add_overflow(sum, add ? value : -std::int64_t{value}, &sum)) invalidRoll();
    }
    return sum;
}

std::int64_t parseMultipliers(const char* text, std::size_t& pos) {
    if (text[pos] != '*') return 0;
    ++pos;
    std::int64_t total = readNumber(text, pos);
    if (total <= 0) invalidRoll();
    // Each further "*b" adds b - 1: "*2*2" is 3, "*3*2" is 4.
    while (text[pos] == '*') {
        ++pos;
        const std::int32_t value = readNumber(text, pos);
        if (value <= 0) invalidRoll();
        if (__builtin_add_overflow(total, value - 1, &total)) invalidRoll();
    }
    return total;
}

// The product of value and a positive factor, pinned to the 64-bit range. Pinned values are far
// beyond every limit, so they are judged exactly as the true product would be.
std::int64_t scale(std::int64_t value, std::int64_t factor) {
    std::int64_t product = 0;
    if (__builtin_mul_overflow(value, factor, &product)) {
        return value < 0 ? std::numeric_limits<std::int64_t>::min()
                         : std::numeric_limits<std::int64_t>::max();
    }
    return product;
}

[[noreturn]] void limitError(const char* head, std::int32_t limit, const char* tail) {
    throw DiceError(head, limit, tail);
}

void checkLimits(std::int32_t groups, std::int64_t dice, std::int32_t sides, std::int64_t mod,
                 std::int64_t mult) {
    // In this order: the first limit broken is the one reported.
    if (groups > limits::kMaxGroups)
        limitError("Dice Error: Maximum of ", limits::kMaxGroups, " dice groups per roll.");
    if (dice > limits::kMaxDice)
        limitError("Dice Error: Maximum of ", limits::kMaxDice, " dice per roll.");
    if (sides > limits::kMaxSides)
        limitError("Dice Error: Maximum of ", limits::kMaxSides, " sides on any die.");
    if (mod > limits::kMaxModifier) {
        limitError("Dice Error: The maximum cumulative modifier is ", limits::kMaxModifier, "");
    }
    if (mult > limits::kMaxMultiplier) {
        limitError("Dice Error: The maximum cumulative multiplier is ", limits::kMaxMultiplier, "");
    }
}

}  // namespace

ParsedRoll parseRoll(const char* text, const char* hash) {
    ParsedRoll roll;
    std::size_t pos = 0;
    roll.groups = parseGroups(text, pos, hash);
    std::int64_t dice = parseDice(text, pos);
    roll.sides = parseSides(text, pos);
    // Exact terms, wider than the fields, so that no sum or product can wrap before the limits
    // have judged it.
    std::int64_t mod = parseModifiers(text, pos);
    const std::int64_t mult = parseMultipliers(text, pos);
    // Only the first space ends the expression; what follows it is free text.
    if (text[pos] != '\0' && text[pos] != ' ') invalidRoll();

    // A multiplied roll rolls its dice and adds its modifier that many times.
    if (mult > 0) {
        dice = scale(dice, mult);
        mod = scale(mod, mult);
    }
    checkLimits(roll.groups, dice, roll.sides, mod, mult);
    // No lower limit on the modifier, but a total must still be a 32-bit number.
    if (mod < std::numeric_limits<std::int32_t>::min()) invalidRoll();
    roll.dice = static_cast<std::int32_t>(dice);
    roll.modifier = static_cast<std::int32_t>(mod);
    roll.multiplier = static_cast<std::int32_t>(mult);
    return roll;
}

ParsedRoll parseRoll(const char* text) {
    return parseRoll(text, std::strchr(text, '#'));
}

}  // namespace orvik
