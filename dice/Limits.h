// The limits of a roll. Each value is both the bound tested and the number in its message. The
// record (Orvik_Dice) names them as its own; the parse step reads them here, beneath the record.
#ifndef ORVIK_DICE_LIMITS_H
#define ORVIK_DICE_LIMITS_H

#include <cstdint>

namespace orvik::limits {

inline constexpr std::int32_t kMaxGroups = 30;
inline constexpr std::int32_t kMaxDice = 100;
inline constexpr std::int32_t kMaxSides = 500;
inline constexpr std::int32_t kMaxModifier = 1000;
inline constexpr std::int32_t kMaxMultiplier = 10;

}  // namespace orvik::limits

#endif  // ORVIK_DICE_LIMITS_H
