// r % n without a hardware division, for the generator's 15-bit outputs and the dice's sides.
//
// With m = ceil(2^32 / n), the low 32 bits of m * r are the fraction r / n to 32 bits, and that
// fraction times n, floored, is the remainder. Exact whenever r and n are below 2^16 (Lemire,
// Kaser and Kurz, "Faster remainder by direct computation", 2019); the tests check every r of
// 0 to 32767 against every n of 1 to 500.
#ifndef ORVIK_RANDOM_FACEREMAINDER_H
#define ORVIK_RANDOM_FACEREMAINDER_H

#include <cstdint>

namespace orvik {

class FaceRemainder {
  public:
    // n from 1 to 65535. For n = 1 the factor wraps to 0 and every remainder is 0, as it must be.
    constexpr explicit FaceRemainder(std::uint32_t n) noexcept : n_(n), m_(0xFFFFFFFFu / n + 1u) {}
    constexpr FaceRemainder() noexcept : FaceRemainder(1u) {}

    // r % n for r from 0 to 65535.
    constexpr std::uint32_t operator()(std::uint32_t r) const noexcept {
        const std::uint64_t fraction = static_cast<std::uint32_t>(m_ * r);
        return static_cast<std::uint32_t>((fraction * n_) >> 32);
    }

    // The same remainder with 32-bit products alone, for SIMD that lacks a fast widening multiply
    // (WebAssembly's): the fraction's high 16 bits, plus one, times n, shifted by 16. Exact for r
    // below 2^15 and n below 43,690: n / 2^16 stands in for the carry the fraction's low bits
    // would bring, which it always covers, and the fraction's own excess over (r % n) / n, below
    // n / 2^17, keeps the sum short of the next whole number. The tests check every r and n.
    constexpr std::uint32_t narrow(std::uint32_t r) const noexcept {
        return (((m_ * r) >> 16) + 1u) * n_ >> 16;
    }

    constexpr std::uint32_t sides() const noexcept { return n_; }
    constexpr std::uint32_t factor() const noexcept { return m_; }

  private:
    std::uint32_t n_;
    std::uint32_t m_;
};

}  // namespace orvik

#endif  // ORVIK_RANDOM_FACEREMAINDER_H
