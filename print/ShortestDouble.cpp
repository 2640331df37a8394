#include "print/ShortestDouble.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include <dragonbox/dragonbox.h>

namespace orvik::print {
namespace {

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

int countDigits(std::uint64_t n) {
    int count = 1;
    for (; n >= 10000; n /= 10000)
        count += 4;
    if (n >= 1000) return count + 3;
    if (n >= 100) return count + 2;
    if (n >= 10) return count + 1;
    return count;
}

// Writes the count digits of n ending at end.
void writeDigits(char* end, std::uint64_t n, int count) {
    for (; count >= 2; count -= 2) {
        const auto pair = static_cast<std::size_t>(n % 100) * 2;
        n /= 100;
        end -= 2;
        std::memcpy(end, kDigitPairs + pair, 2);
    }
    if (count == 1) *--end = static_cast<char>('0' + n);
}

// Writes the count digits of value, a whole number below 10^23, ending at end. The fixed form of
// a whole number gives every digit of the double, not the shortest digits padded with zeros
// (123e20 is 12300000000000001048576).
void writeWholeNumber(char* end, double value, int count) {
    constexpr double kTwoTo32 = 4294967296.0;
    if (value < kTwoTo32 * kTwoTo32) {
        writeDigits(end, static_cast<std::uint64_t>(value), count);
        return;
    }
    // Above 2^64 the double is a multiple of 2^12, so that both halves are exact. Then 32-bit
    // limbs, most significant first, divided by 10^9 for nine digits at a time.
    const double high = std::floor(value / kTwoTo32);
    const auto highBits = static_cast<std::uint64_t>(high);
    std::uint32_t limbs[3] = {static_cast<std::uint32_t>(highBits >> 32),
                              static_cast<std::uint32_t>(highBits),
                              static_cast<std::uint32_t>(value - high * kTwoTo32)};
    constexpr std::uint32_t kBillion = 1000000000;
    while (count > 0) {
        std::uint64_t remainder = 0;
        for (std::uint32_t& limb : limbs) {
            const std::uint64_t current = remainder << 32 | limb;
            limb = static_cast<std::uint32_t>(current / kBillion);
            remainder = current % kBillion;
        }
        const int chunk = count < 9 ? count : 9;
        writeDigits(end, remainder, chunk);
        end -= chunk;
        count -= chunk;
    }
}

char* writeSpecial(char* out, const char* text, std::size_t length) {
    std::memcpy(out, text, length);
    return out + length;
}

}  // namespace

char* writeShortest(char* out, double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const auto exponentBits = static_cast<int>(bits >> 52 & 0x7ff);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    if (bits >> 63 != 0) *out++ = '-';
    if (exponentBits == 0x7ff)
        return fraction == 0 ? writeSpecial(out, "inf", 3) : writeSpecial(out, "nan", 3);
    if (exponentBits == 0 && fraction == 0) {
        *out = '0';
        return out + 1;
    }

    // value is significand * 10^exponent, with the fewest digits that read back as value.
    const auto decimal = jkj::dragonbox::to_decimal(value, jkj::dragonbox::policy::sign::ignore,
                                                    jkj::dragonbox::policy::cache::compact);
    const std::uint64_t significand = decimal.significand;
    const int exponent = decimal.exponent;
    const int digits = countDigits(significand);
    const int scientificExponent = exponent + digits - 1;
    const int magnitude = scientificExponent < 0 ? -scientificExponent : scientificExponent;
    const int scientificLength = digits + (digits > 1 ? 1 : 0) + 2 + (magnitude >= 100 ? 3 : 2);
    int fixedLength = 0;
    if (exponent >= 0)
        fixedLength = digits + exponent;
    else if (-exponent < digits)
        fixedLength = digits + 1;
    else
        fixedLength = 2 - exponent;

    if (fixedLength <= scientificLength) {
        if (exponent >= 0) {
            writeWholeNumber(out + fixedLength, std::fabs(value), fixedLength);
        } else if (-exponent < digits) {
            // Digits on both sides of the point: write them all, then move the fraction right.
            const int whole = digits + exponent;
            writeDigits(out + digits, significand, digits);
            std::memmove(out + whole + 1, out + whole, static_cast<std::size_t>(-exponent));
            out[whole] = '.';
        } else {
            out[0] = '0';
            out[1] = '.';
            std::memset(out + 2, '0', static_cast<std::size_t>(-exponent - digits));
            writeDigits(out + fixedLength, significand, digits);
        }
        return out + fixedLength;
    }

    // d.ddde+XX: the first digit, the point if more follow, then the exponent, two digits or three.
    writeDigits(out + digits + 1, significand, digits);
    out[0] = out[1];
    char* end = out + 1;
    if (digits > 1) {
        *end = '.';
        end += digits;
    }
    *end++ = 'e';
    *end++ = scientificExponent < 0 ? '-' : '+';
    if (magnitude >= 100) {
        *end++ = static_cast<char>('0' + magnitude / 100);
        writeDigits(end + 2, static_cast<std::uint64_t>(magnitude % 100), 2);
    } else {
        writeDigits(end + 2, static_cast<std::uint64_t>(magnitude), 2);
    }
    return end + 2;
}

}  // namespace orvik::print
