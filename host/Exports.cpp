// The module's exported routines: C linkage, and on 32-bit Windows the stdcall convention with
// undecorated names (see orvik.def) and an attach routine.
#include "host/RollRoutine.h"
#include "host/orvik.h"
#include "random/DiceRandom.h"

extern "C" {

ORVIK_API void ORVIK_CALL LoadDll(void*) {
    orvik::seedRandom(orvik::host::clockSeed());
}

ORVIK_API std::int32_t ORVIK_CALL DiceMain(void*, void*, char* data, void*, void*, void*) {
    return orvik::host::diceMain(data, orvik::host::assumedCapacity(data));
}

ORVIK_API std::int32_t ORVIK_CALL SneakAttack(void*, void*, char* data, void*, void*, void*) {
    return orvik::host::sneakAttack(data, orvik::host::assumedCapacity(data));
}

ORVIK_API void ORVIK_CALL OrvikSeed(std::uint32_t seed) {
    orvik::seedRandom(seed);
}

}  // extern "C"

#if defined(_WIN32)
#include <windows.h>

// Nothing to set up or tear down on any attach or detach.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
#endif
