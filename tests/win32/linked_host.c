/* A C host that links an import library and calls the routines orvik.h declares directly, as a
 * host author would. It prints one answer a line; import_libraries_test.sh compares them. */
#include <stdio.h>
#include <string.h>

#include "orvik.h"

int main(void) {
    char data[ORVIK_MIN_HOST_BUFFER];
    LoadDll(NULL);
    OrvikSeed(1);
    strcpy(data, "d20");
    if (DiceMain(NULL, NULL, data, NULL, NULL, NULL) != 3) return 1;
    puts(data);
    OrvikSeed(1);
    strcpy(data, "3d6 d8+2");
    if (SneakAttack(NULL, NULL, data, NULL, NULL, NULL) != 3) return 1;
    puts(data);
    return 0;
}
