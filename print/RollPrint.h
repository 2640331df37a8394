// A roll's answer with the dice behind it: the faces after the sentence, or one line of JSON.
#ifndef ORVIK_PRINT_ROLLPRINT_H
#define ORVIK_PRINT_ROLLPRINT_H

#include <cstdint>
#include <string>

#include "host/RollRoutine.h"

namespace orvik::print {

// One roll's dice, as far as the answer shows them: the rest is set only for a result.
struct RolledDice : host::RollDice {
    bool result = false;       // the answer is a sentence
    bool sneakAttack = false;  // sneak holds the sneak dice, sneakFaces their faces
};

// After an answer: " dice: [3 4] [6 3]", each group's faces in brackets, and a sneak attack's
// first, as " dice: sneak [4 5 1] [5]". Nothing for an answer that is not a result.
void appendFaces(std::string& out, const RolledDice& dice);

// One roll as one line of JSON: the text, the module's answer as it wrote it, the run's seed, and
// for a result the sides and modifier, the sneak attack's total, sides, modifier and faces, and
// each group's total and faces.
void appendRollJson(std::string& out, const std::string& text, const std::string& answer,
                    std::uint32_t seed, const RolledDice& dice);

}  // namespace orvik::print

#endif  // ORVIK_PRINT_ROLLPRINT_H
