#include "features/Seed.h"

#include <cmath>

namespace orvik::features {

bool seedFromText(std::string_view text, std::uint32_t& seed) {
    if (text.empty()) return false;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > kMostSeed) return false;
    }
    seed = static_cast<std::uint32_t>(value);
    return true;
}

bool seedFromNumber(double value, std::uint32_t& seed) {
    // NaN fails both comparisons.
    if (!(value >= 0.0 && value <= static_cast<double>(kMostSeed)) || std::trunc(value) != value)
        return false;
    seed = static_cast<std::uint32_t>(value);  // -0 too: it is 0
    return true;
}

}  // namespace orvik::features
