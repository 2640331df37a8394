// The roll-text scanner: one pass, one shared position, invalidRoll at the first break.
//
//   [ prefix "#" ] [ count ] "d" sides { ("+"|"-") n } [ "*" n { "*" n } ] ( end | " " free text )
#include <cstring>
#include <limits>
#include <memory>

#include "dice/Orvik_Dice.h"

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The white space atoi skips.
bool isAtoiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

Orvik_Dice::Terms Orvik_Dice::parseCommands(const char* hash) {
    std::size_t pos = 0;
    parseGroups(pos, hash);
    parseDice(pos);
    parseSides(pos);
    Terms terms;
    terms.modifier = parseModifiers(pos);
    terms.multiplier = parseMultipliers(pos);
    // Only the first space ends the expression; what follows it is free text.
    const char end = diceCommands[pos];
    if (end != '\0' && end != ' ') invalidRoll();
    return terms;
}

void Orvik_Dice::parseGroups(std::size_t& pos, const char* hash) {
    // The first '#' anywhere in the text, free text included, ends the group prefix.
    if (hash == nullptr) {
        nGroups = 1;
        return;
    }
    const std::size_t k = static_cast<std::size_t>(hash - diceCommands);
    // The prefix is converted as a string of its own, the way atoi reads one.
    std::unique_ptr<char[]> prefix(new char[k + 1]);
    std::memcpy(prefix.get(), diceCommands, k);
    prefix[k] = '\0';
    std::size_t at = 0;
    while (isAtoiSpace(prefix[at]))
        ++at;
    const bool negative = prefix[at] == '-';
    if (prefix[at] == '+' || prefix[at] == '-') ++at;
    const std::int32_t value = readNumber(prefix.get(), at);
    nGroups = negative ? -value : value;
    if (nGroups <= 0) invalidRoll();
    pos = k + 1;
    if (diceCommands[pos] == '\0') invalidRoll();
}

void Orvik_Dice::parseDice(std::size_t& pos) {
    if (diceCommands[pos] == 'd') {
        nDice = 1;
        ++pos;
        return;
    }
    nDice = readNumber(diceCommands, pos);
    if (nDice <= 0) invalidRoll();
    if (diceCommands[pos++] != 'd') invalidRoll();
}

void Orvik_Dice::parseSides(std::size_t& pos) {
    nSides = readNumber(diceCommands, pos);
    if (nSides <= 0) invalidRoll();
}

std::int64_t Orvik_Dice::parseModifiers(std::size_t& pos) {
    std::int64_t sum = 0;
    while (diceCommands[pos] == '+' || diceCommands[pos] == '-') {
        const bool add = diceCommands[pos] == '+';
        ++pos;
        const std::int32_t value = readNumber(diceCommands, pos);
        if (value <= 0) invalidRoll();
        // Each term is below 2^31, so only billions of terms could leave 64 bits.
        if (__builtin_add_overflow(sum, add ? value : -std::int64_t{value}, &sum)) invalidRoll();
    }
    return sum;
}

std::int64_t Orvik_Dice::parseMultipliers(std::size_t& pos) {
    if (diceCommands[pos] != '*') return 0;
    ++pos;
    std::int64_t total = readNumber(diceCommands, pos);
    if (total <= 0) invalidRoll();
    // Each further "*b" adds b - 1: "*2*2" is 3, "*3*2" is 4.
    while (diceCommands[pos] == '*') {
        ++pos;
        const std::int32_t value = readNumber(diceCommands, pos);
        if (value <= 0) invalidRoll();
        if (__builtin_add_overflow(total, value - 1, &total)) invalidRoll();
    }
    return total;
}

std::int32_t Orvik_Dice::readNumber(const char* text, std::size_t& pos) {
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
