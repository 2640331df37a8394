// Orvik_Dice: one roll text, what it asks for, and what it rolled.
//
// A record is built from a roll text in one step (copy, parse, roll), asked for its sentence and
// destroyed. Construction throws orvik::DiceError for any invalid or out-of-range text, and
// std::bad_alloc when memory runs out; a record whose construction throws owns nothing.
#ifndef ORVIK_DICE_ORVIK_DICE_H
#define ORVIK_DICE_ORVIK_DICE_H

#include <cstddef>
#include <cstdint>

#include "DiceError.h"  // by its own directory, so that it resolves where installed too
#include "Limits.h"

class Orvik_Dice {
  public:
    std::int32_t nGroups;     // independent totals, 1 without a "N#" prefix
    std::int32_t nDice;       // dice per group, already multiplied
    std::int32_t nSides;      // faces per die
    std::int32_t modifier;    // sum of the +N/-N terms, already multiplied
    std::int32_t multiplier;  // 0 without a "*" term, else the cumulative multiplier
    char* diceCommands;       // owned copy of the whole text, free text included
    std::int32_t* results;    // owned, one total per group

    // The limits of a roll. Each value is both the bound tested and the number in its message.
    static constexpr std::int32_t kMaxGroups = orvik::limits::kMaxGroups;
    static constexpr std::int32_t kMaxDice = orvik::limits::kMaxDice;
    static constexpr std::int32_t kMaxSides = orvik::limits::kMaxSides;
    static constexpr std::int32_t kMaxModifier = orvik::limits::kMaxModifier;
    static constexpr std::int32_t kMaxMultiplier = orvik::limits::kMaxMultiplier;

    // The most faces a roll draws: every group's dice at their limits.
    static constexpr std::int32_t kMaxFaces = kMaxGroups * kMaxDice;

    // faces, when not null, receives every face rolled, group after group (nGroups * nDice of
    // them; kMaxFaces is always room enough).
    explicit Orvik_Dice(const char* text, std::int32_t* faces = nullptr);
    Orvik_Dice(const Orvik_Dice& other);
    Orvik_Dice& operator=(const Orvik_Dice&) = delete;
    ~Orvik_Dice() { clear(); }

    // Releases and nulls both owned arrays; safe to repeat.
    void clear() noexcept;

    // Releases what the record owns and throws the invalid-arguments error.
    [[noreturn]] void invalidRoll();

    // Length of the result sentence, terminator excluded.
    std::size_t resultsLength() const noexcept;

    // The length of the sentence of a record with this text and this many groups, less the digits
    // and signs of its totals: the part known before anything is rolled.
    static std::size_t resultsLengthWithoutTotals(const char* text, std::int32_t groups) noexcept;

    // Writes the result sentence and its terminator from dest[0]; dest must hold
    // resultsLength() + 1 bytes.
    void writeResults(char* dest) const noexcept;

    // The same within capacity bytes, measured as it is written. False, with dest's contents
    // unspecified, when the sentence and its terminator do not fit.
    bool writeResults(char* dest, std::size_t capacity) const noexcept;
};

#endif  // ORVIK_DICE_ORVIK_DICE_H
