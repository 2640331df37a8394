// The shape every roll routine shares, bounded by the capacity of the buffer it writes.
#ifndef ORVIK_HOST_ROLLROUTINE_H
#define ORVIK_HOST_ROLLROUTINE_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "dice/Orvik_Dice.h"
#include "host/orvik.h"
#include "report/SneakAttack.h"

namespace orvik::host {

// Every host buffer holds at least this many bytes.
inline constexpr std::size_t kMinHostBuffer = ORVIK_MIN_HOST_BUFFER;

// The buffer a host hands over with a text of length bytes: at least kMinHostBuffer bytes, and
// room for the text and its terminator.
inline std::size_t capacityFor(std::size_t length) noexcept {
    return length + 1 > kMinHostBuffer ? length + 1 : kMinHostBuffer;
}

// Hands text (length bytes) to a roll routine as a host does: in data, grown to the buffer a host
// hands over with it and holding the text and its terminator; route(data, capacity) calls the
// routine. Returns the answer's length, 0 when it gave none. Inline: plain rolling of a large file
// calls it once a line.
template <typename Route>
[[gnu::always_inline]] inline std::size_t handOver(std::vector<char>& data, const char* text,
                                                   std::size_t length, Route route) {
    const std::size_t capacity = capacityFor(length);
    if (data.size() < capacity) data.resize(capacity);
    std::memcpy(data.data(), text, length);
    data[length] = '\0';
    route(data.data(), capacity);
    return strnlen(data.data(), capacity);
}

// What a routine that is not told its buffer's size may write: the buffer a host hands over with
// the text it holds.
std::size_t assumedCapacity(const char* data) noexcept;

// One roll of the text in data, answered in data within capacity bytes. Returns 3.
std::int32_t diceMain(char* data, std::size_t capacity) noexcept;

// One sneak attack, likewise.
std::int32_t sneakAttack(char* data, std::size_t capacity) noexcept;

// The dice behind a roll's totals, for a host that shows them. To be read only when the answer is a
// result; a sneak attack's sneak dice only for a sneak attack.
struct RollDice {
    std::int32_t groups = 0;
    std::int32_t dice = 0;  // per group, multiplier applied
    std::int32_t sides = 0;
    std::int32_t modifier = 0;                         // multiplier applied
    std::int32_t totals[Orvik_Dice::kMaxGroups] = {};  // sneak attack included
    std::int32_t faces[Orvik_Dice::kMaxFaces] = {};    // group after group
    SneakDice sneak;
    std::int32_t sneakFaces[Orvik_Dice::kMaxFaces] = {};  // every group's; the first group's count
};

// diceMain and sneakAttack, the same answer and the same draws, with the dice behind them. Named
// apart, so that each roll routine stays one function whose address a caller can take.
std::int32_t diceMainKeepingDice(char* data, std::size_t capacity, RollDice& dice) noexcept;
std::int32_t sneakAttackKeepingDice(char* data, std::size_t capacity, RollDice& dice) noexcept;

// The clock seed: the low 32 bits of the seconds since 1970 UTC.
std::uint32_t clockSeed() noexcept;

}  // namespace orvik::host

#endif  // ORVIK_HOST_ROLLROUTINE_H
