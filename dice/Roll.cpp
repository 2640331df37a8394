// Applying the multiplier, the five limits, and the dice themselves.
#include <limits>

#include "dice/Orvik_Dice.h"
#include "random/DiceRandom.h"

namespace {

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

}  // namespace

void Orvik_Dice::roll(const Terms& terms) {
    std::int64_t dice = nDice;
    std::int64_t mod = terms.modifier;
    const std::int64_t mult = terms.multiplier;
    // A multiplied roll rolls its dice and adds its modifier that many times.
    if (mult > 0) {
        dice = scale(dice, mult);
        mod = scale(mod, mult);
    }
    checkLimits(dice, mod, mult);
    // No lower limit on the modifier, but a total must still be a 32-bit number.
    if (mod < std::numeric_limits<std::int32_t>::min()) invalidRoll();
    nDice = static_cast<std::int32_t>(dice);
    modifier = static_cast<std::int32_t>(mod);
    multiplier = static_cast<std::int32_t>(mult);

    results = new std::int32_t[static_cast<std::size_t>(nGroups)]();
    // Group by group, die by die: the draws are one stretch of the generator's sequence. At most
    // 100 faces of at most 500 on top of a modifier of at least -2^31: no overflow.
    for (std::int32_t g = 0; g < nGroups; ++g)
        results[g] = orvik::sumOfFaces(nDice, nSides) + modifier;
}

void Orvik_Dice::checkLimits(std::int64_t dice, std::int64_t mod, std::int64_t mult) {
    // In this order: the first limit broken is the one reported.
    if (nGroups > kMaxGroups)
        limitError("Dice Error: Maximum of ", kMaxGroups, " dice groups per roll.");
    if (dice > kMaxDice) limitError("Dice Error: Maximum of ", kMaxDice, " dice per roll.");
    if (nSides > kMaxSides) limitError("Dice Error: Maximum of ", kMaxSides, " sides on any die.");
    if (mod > kMaxModifier)
        limitError("Dice Error: The maximum cumulative modifier is ", kMaxModifier, "");
    if (mult > kMaxMultiplier)
        limitError("Dice Error: The maximum cumulative multiplier is ", kMaxMultiplier, "");
}
