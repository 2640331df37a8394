// Fuzzes SneakAttack: any bytes as "<sneak dice> <main roll>", through the bounded core and the
// exported routine.
#include <cstddef>
#include <cstdint>

#include "fuzz/roll_checks.h"
#include "host/RollRoutine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The bounded core: the overload without the dice behind the answer.
    const auto core = [](char* text, std::size_t capacity) {
        return orvik::host::sneakAttack(text, capacity);
    };
    orvik::fuzz::checkRoutine(data, size, core, SneakAttack, orvik::fuzz::expectSneak);
    return 0;
}
