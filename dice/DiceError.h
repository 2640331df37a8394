// The one error a roll raises: its whole content is the message text, kept by value so that it
// outlives whatever built it.
#ifndef ORVIK_DICE_DICEERROR_H
#define ORVIK_DICE_DICEERROR_H

#include <cstddef>
#include <cstring>
#include <exception>

namespace orvik {

class DiceError : public std::exception {
  public:
    // Longest message the module builds, terminator included, with room to spare.
    static constexpr std::size_t kCapacity = 64;

    explicit DiceError(const char* message) noexcept { assign(message, std::strlen(message)); }

    // Joins head, a decimal number and tail; used for the limit messages.
    DiceError(const char* head, long long number, const char* tail) noexcept;

    const char* what() const noexcept override { return text_; }

  private:
    void assign(const char* s, std::size_t n) noexcept {
        if (n >= kCapacity) n = kCapacity - 1;
        std::memcpy(text_, s, n);
        text_[n] = '\0';
    }

    char text_[kCapacity];
};

inline constexpr const char kInvalidArguments[] =
    "Dice Error: Invalid arguments in the attempted roll";

}  // namespace orvik

#endif  // ORVIK_DICE_DICEERROR_H
