// Fuzzes DiceMain: any bytes as a roll text, through the bounded core and the exported routine.
#include <cstddef>
#include <cstdint>

#include "fuzz/roll_checks.h"
#include "host/RollRoutine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orvik::fuzz::checkRoutine(data, size, orvik::host::diceMain, DiceMain,
                              orvik::fuzz::expectPlain);
    return 0;
}
