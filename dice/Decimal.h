// Decimal text of a number: no leading zeros or spaces, a '-' for negatives.
#ifndef ORVIK_DICE_DECIMAL_H
#define ORVIK_DICE_DECIMAL_H

#include <cstddef>
#include <cstdint>

namespace orvik {

// Longest decimal text of a 64-bit value, sign included.
inline constexpr std::size_t kMaxDecimal = 20;

// Writes the digits of value at out (no terminator) and returns how many were written.
inline std::size_t writeDecimal(char* out, std::int64_t value) noexcept {
    char digits[kMaxDecimal];
    std::size_t n = 0;
    // Work in unsigned so that the most negative value has a magnitude too.
    std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    std::size_t length = 0;
    if (value < 0) out[length++] = '-';
    while (n != 0)
        out[length++] = digits[--n];
    return length;
}

inline std::size_t decimalLength(std::int64_t value) noexcept {
    char scratch[kMaxDecimal];
    return writeDecimal(scratch, value);
}

}  // namespace orvik

#endif  // ORVIK_DICE_DECIMAL_H
