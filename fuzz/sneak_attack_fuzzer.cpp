// Fuzzes SneakAttack: any bytes as "<sneak dice> <main roll>", through the bounded core and the
// exported routine.
#include <cstddef>
#include <cstdint>

#include "fuzz/roll_checks.h"
#include "host/RollRoutine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orvik::fuzz::checkRoutine(data, size, orvik::host::sneakAttack, SneakAttack,
                              orvik::fuzz::expectSneak);
    return 0;
}
