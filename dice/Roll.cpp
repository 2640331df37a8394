// The dice themselves.
#include <cstddef>

#include "dice/Parse.h"
#include "random/DiceRandom.h"

namespace orvik {

std::int32_t* rollTotals(const ParsedRoll& roll, std::int32_t* faces) {
    std::int32_t* totals = new std::int32_t[static_cast<std::size_t>(roll.groups)]();
    // Group by group, die by die: the draws are one stretch of the generator's sequence. At most
    // 100 faces of at most 500 on top of a modifier of at least -2^31: no overflow.
    if (faces == nullptr) {
        for (std::int32_t g = 0; g < roll.groups; ++g)
            totals[g] = sumOfFaces(roll.dice, roll.sides) + roll.modifier;
        return totals;
    }
    for (std::int32_t g = 0; g < roll.groups; ++g) {
        totals[g] = drawFaces(roll.dice, roll.sides, faces) + roll.modifier;
        faces += roll.dice;
    }
    return totals;
}

}  // namespace orvik
