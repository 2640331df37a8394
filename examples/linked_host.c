/* A host in C that links the module rather than loading it: it calls the routines declared in
 * orvik.h by name, and the system's loader finds the module when the program starts.
 *
 *     linked_host [TEXT]...      (default: 2d6+3*2)
 *
 * Seeded with 1, so that every run rolls the same; a game calls LoadDll(NULL) instead, to seed
 * from the clock.
 */
#include <orvik.h>

#include "roll_each.h"

int main(int argc, char** argv) {
    OrvikSeed(1);
    return rollEach(argc, argv, "linked_host", DiceMain);
}
