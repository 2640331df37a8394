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

    explicit DiceError(const char* message) noexcept { append(message, std::strlen(message)); }

    // Joins head, a decimal number and tail; used for the limit messages.
    DiceError(const char* head, long long number, const char* tail) noexcept;

    const char* what() const noexcept override { return text_; }

  private:
    // Adds as much of s as fits, keeping the text terminated.
    void append(const char* s, std::size_t n) noexcept {
        const std::size_t length = std::strlen(text_);
        const std::size_t room = kCapacity - 1 - length;
        const std::size_t count = n < room ? n : room;
        std::memcpy(text_ + length, s, count);
        text_[length + count] = '\0';
    }

    char text_[kCapacity] = {};
};

inline constexpr const char kInvalidArguments[] =
    "Dice Error: Invalid arguments in the attempted roll";

}  // namespace orvik

#endif  // ORVIK_DICE_DICEERROR_H
