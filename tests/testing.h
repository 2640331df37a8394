// Helpers shared by the unit tests.
#ifndef ORVIK_TESTS_TESTING_H
#define ORVIK_TESTS_TESTING_H

#include <cstdint>
#include <string>
#include <vector>

#include "dice/Orvik_Dice.h"

namespace orvik::testing {

// The generator's recurrence, kept apart from the module's so that each checks the other.
class ReferenceLcg {
  public:
    explicit ReferenceLcg(std::uint32_t state) : state_(state) {}
    int next() {
        state_ = state_ * 22695477u + 1u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }
    std::uint32_t state() const { return state_; }

  private:
    std::uint32_t state_;
};

// The message a failed construction raises, or "" when it succeeds.
inline std::string constructionError(const std::string& text) {
    try {
        Orvik_Dice record(text.c_str());
        return "";
    } catch (const DiceError& error) {
        return error.what();
    }
}

inline std::vector<std::int32_t> totals(const Orvik_Dice& record) {
    return std::vector<std::int32_t>(record.results, record.results + record.nGroups);
}

inline const char kInvalid[] = "Dice Error: Invalid arguments in the attempted roll";
inline const char kGroups[] = "Dice Error: Maximum of 30 dice groups per roll.";
inline const char kDice[] = "Dice Error: Maximum of 100 dice per roll.";
inline const char kSides[] = "Dice Error: Maximum of 500 sides on any die.";
inline const char kModifier[] = "Dice Error: The maximum cumulative modifier is 1000";
inline const char kMultiplier[] = "Dice Error: The maximum cumulative multiplier is 10";
inline const char kSneakFormat[] = "Dice Error: Invalid format for sneak attack roll";

}  // namespace orvik::testing

#endif  // ORVIK_TESTS_TESTING_H
