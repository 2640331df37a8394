// Construction, copy and release of the record, and its errors.
#include "dice/Orvik_Dice.h"

#include <cstring>

#include "dice/Decimal.h"
#include "dice/Parse.h"

namespace orvik {

DiceError::DiceError(const char* head, long long number, const char* tail) noexcept {
    char digits[kMaxDecimal];
    const std::size_t digitCount = writeDecimal(digits, number);
    append(head, std::strlen(head));
    append(digits, digitCount);
    append(tail, std::strlen(tail));
}

}  // namespace orvik

namespace {

// A text's length and its first '#': up to the first '#' (or the end), then on from there, so
// that every byte is read once.
struct TextShape {
    std::size_t length;
    std::size_t hash;  // the length when there is no '#'
};

TextShape shapeOf(const char* text) noexcept {
    const std::size_t hash = std::strcspn(text, "#");
    const std::size_t length = text[hash] == '\0' ? hash : hash + std::strlen(text + hash);
    return {length, hash};
}

}  // namespace

Orvik_Dice::Orvik_Dice(const char* text, std::int32_t* faces)
    : nGroups(0),
      nDice(0),
      nSides(0),
      modifier(0),
      multiplier(0),
      diceCommands(nullptr),
      results(nullptr) {
    const TextShape shape = shapeOf(text);
    diceCommands = new char[shape.length + 1];
    std::memcpy(diceCommands, text, shape.length + 1);
    // A constructor that throws is never followed by the destructor, so whatever fails after the
    // copy (a dice error, or memory running out) must release what the record owns first.
    try {
        const orvik::ParsedRoll parsed = orvik::parseRoll(
            diceCommands, shape.hash < shape.length ? diceCommands + shape.hash : nullptr);
        nGroups = parsed.groups;
        nDice = parsed.dice;
        nSides = parsed.sides;
        modifier = parsed.modifier;
        multiplier = parsed.multiplier;
        results = orvik::rollTotals(parsed, faces);
    } catch (...) {
        clear();
        throw;
    }
}

Orvik_Dice::Orvik_Dice(const Orvik_Dice& other)
    : nGroups(other.nGroups),
      nDice(other.nDice),
      nSides(other.nSides),
      modifier(other.modifier),
      multiplier(other.multiplier),
      diceCommands(nullptr),
      results(nullptr) {
    try {
        if (other.diceCommands != nullptr) {
            const std::size_t length = std::strlen(other.diceCommands);
            diceCommands = new char[length + 1];
            std::memcpy(diceCommands, other.diceCommands, length + 1);
        }
        if (other.results != nullptr) {
            results = new std::int32_t[static_cast<std::size_t>(nGroups)];
            std::memcpy(results, other.results,
                        sizeof(std::int32_t) * static_cast<std::size_t>(nGroups));
        }
    } catch (...) {
        clear();
        throw;
    }
}

void Orvik_Dice::clear() noexcept {
    if (diceCommands != nullptr) {
        delete[] diceCommands;
        diceCommands = nullptr;
    }
    if (results != nullptr) {
        delete[] results;
        results = nullptr;
    }
}

void Orvik_Dice::invalidRoll() {
    clear();
    throw orvik::DiceError(orvik::kInvalidArguments);
}
