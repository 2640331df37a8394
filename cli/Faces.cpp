#include "cli/Faces.h"

#include <new>

#include "random/DiceRandom.h"

namespace orvik::cli {

FaceFinder::FaceFinder(bool sneak, std::uint32_t seed) : sneak_(sneak) {
    seedRandom(seed);
}

bool FaceFinder::follow(const char* text, std::size_t length, const char* answer,
                        std::size_t answerLength, RolledDice& dice) {
    const std::size_t capacity = host::capacityFor(length);
    if (mine_.size() < capacity) mine_.resize(capacity);
    std::memcpy(mine_.data(), text, length);
    mine_[length] = '\0';
    if (sneak_) {
        host::sneakAttackKeepingDice(mine_.data(), capacity, dice);
    } else {
        host::diceMainKeepingDice(mine_.data(), capacity, dice);
    }
    const std::size_t mine = strnlen(mine_.data(), capacity);
    if (mine == 0) throw std::bad_alloc();  // memory ran out here, not in the module
    if (mine != answerLength || std::memcmp(mine_.data(), answer, mine) != 0) return false;
    dice.result = isResult(answer, answerLength);
    dice.sneakAttack = sneak_;
    return true;
}

}  // namespace orvik::cli
