// The dice themselves.
#include "dice/Parse.h"
#include "random/DiceRandom.h"

namespace orvik {

void rollTotals(Orvik_Dice& record, std::int32_t* faces) {
    const std::int32_t groups = record.nGroups;
    const std::int32_t dice = record.nDice;
    std::int32_t* totals = new std::int32_t[static_cast<std::size_t>(groups)]();
    record.results = totals;
    // Group by group, die by die: the draws are one stretch of the generator's sequence. At most
    // 100 faces of at most 500 on top of a modifier of at least -2^31: no overflow.
    if (faces == nullptr) {
        for (std::int32_t g = 0; g < groups; ++g)
            totals[g] = sumOfFaces(dice, record.nSides) + record.modifier;
        return;
    }
    for (std::int32_t g = 0; g < groups; ++g) {
        totals[g] = drawFaces(dice, record.nSides, faces) + record.modifier;
        faces += dice;
    }
}

}  // namespace orvik
