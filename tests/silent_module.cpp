// A module that answers every roll with nothing, as the real one does when memory runs out: the
// command must keep one line per input line, name the roll on standard error and exit 2.
#include "host/orvik.h"

extern "C" {

void ORVIK_CALL LoadDll(void*) {}

void ORVIK_CALL OrvikSeed(uint32_t) {}

int32_t ORVIK_CALL DiceMain(void*, void*, char* data, void*, void*, void*) {
    data[0] = '\0';
    return 3;
}

int32_t ORVIK_CALL SneakAttack(void*, void*, char* data, void*, void*, void*) {
    data[0] = '\0';
    return 3;
}
}
