/* A host in C that links the module rather than loading it: it calls the routines declared in
 * orvik.h by name, and the system's loader finds the module when the program starts.
 *
 *     linked_host [TEXT]...      (default: 2d6+3*2)
 *
 * Seeded with 1, so that every run rolls the same; a game calls LoadDll(NULL) instead, to seed
 * from the clock.
 */
#include <stdio.h>
#include <string.h>

#include <orvik.h>

int main(int argc, char** argv) {
    OrvikSeed(1);
    int status = 0;
    for (int i = 1; i < argc || i == 1; ++i) {
        const char* text = i < argc ? argv[i] : "2d6+3*2";
        char data[ORVIK_MIN_HOST_BUFFER]; /* the module writes no further for a text that fits */
        if (strlen(text) >= sizeof data) {
            fprintf(stderr, "linked_host: text too long\n");
            return 2;
        }
        strcpy(data, text);
        DiceMain(NULL, NULL, data, NULL, NULL, NULL); /* always 3; the answer is the text */
        puts(data);
        if (strncmp(data, "Dice Error: ", 12) == 0) status = 1;
    }
    return status;
}
