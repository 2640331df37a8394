#include "features/RollText.h"

#include "dice/DiceError.h"

namespace orvik::features {

odds::Odds oddsOf(const std::string& text, bool sneak) {
    if (!isRollText(text.data(), text.size())) throw DiceError(kInvalidArguments);
    return sneak ? odds::sneakOdds(text.c_str()) : odds::rollOdds(text.c_str());
}

}  // namespace orvik::features
