#include "features/Faces.h"

#include <cstring>
#include <new>

#include "features/RollText.h"
#include "random/DiceRandom.h"

namespace orvik::features {

FaceRolls::FaceRolls(bool sneak, Form form, std::uint32_t seed)
    : sneak_(sneak), form_(form), seed_(seed) {
    seedRandom(seed);
}

bool FaceRolls::rollHere(const char* text, std::size_t length) {
    if (!isRollText(text, length)) {
        answer_ = kNotARollText;
        dice_.result = false;
        return false;
    }
    const std::size_t answerLength =
        host::handOver(mine_, text, length, [this](char* data, std::size_t capacity) {
            if (sneak_)
                host::sneakAttackKeepingDice(data, capacity, dice_);
            else
                host::diceMainKeepingDice(data, capacity, dice_);
        });
    answer_ = std::string_view(mine_.data(), answerLength);
    if (answer_.empty()) throw std::bad_alloc();  // memory ran out here, not in the module
    dice_.result = isResult(answer_);
    dice_.sneakAttack = sneak_;
    return true;
}

bool FaceRolls::follow(const char* text, std::size_t length, std::string_view answer,
                       std::string& line) {
    if (rollHere(text, length) && answer != answer_) return false;
    write(text, length, line);
    return true;
}

void FaceRolls::roll(const char* text, std::size_t length, std::string& line) {
    rollHere(text, length);
    write(text, length, line);
}

void FaceRolls::write(const char* text, std::size_t length, std::string& line) const {
    line.clear();
    if (form_ == Form::Json) {
        print::appendRollJson(line, std::string(text, length), std::string(answer_), seed_, dice_);
    } else {
        line.append(answer_.data(), answer_.size());
        print::appendFaces(line, dice_);
    }
}

}  // namespace orvik::features
