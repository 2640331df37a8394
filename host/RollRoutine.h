// The shape every roll routine shares, bounded by the capacity of the buffer it writes.
#ifndef ORVIK_HOST_ROLLROUTINE_H
#define ORVIK_HOST_ROLLROUTINE_H

#include <cstddef>
#include <cstdint>

#include "host/orvik.h"

namespace orvik::host {

// Every host buffer holds at least this many bytes.
inline constexpr std::size_t kMinHostBuffer = ORVIK_MIN_HOST_BUFFER;

// What a routine that is not told its buffer's size may write: at least kMinHostBuffer bytes,
// and the buffer did hold the text it was handed.
std::size_t assumedCapacity(const char* data) noexcept;

// One roll of the text in data, answered in data within capacity bytes. Returns 3.
std::int32_t diceMain(char* data, std::size_t capacity) noexcept;

// One sneak attack, likewise.
std::int32_t sneakAttack(char* data, std::size_t capacity) noexcept;

// The clock seed: the low 32 bits of the seconds since 1970 UTC.
std::uint32_t clockSeed() noexcept;

}  // namespace orvik::host

#endif  // ORVIK_HOST_ROLLROUTINE_H
