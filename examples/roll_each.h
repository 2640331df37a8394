/* What both example hosts do once they have the module's DiceMain, however they got it: roll each
 * argument (default: 2d6+3*2) in a buffer of the least size a host provides, and print the answer.
 * Returns the exit status: 0, 1 when any answer is a dice error, 2 for a text too long. */
#ifndef ORVIK_EXAMPLES_ROLL_EACH_H
#define ORVIK_EXAMPLES_ROLL_EACH_H

#include <stdio.h>
#include <string.h>

#include <orvik.h>

static int rollEach(int argc, char** argv, const char* program, OrvikRollFn diceMain) {
    int status = 0;
    for (int i = 1; i < argc || i == 1; ++i) {
        const char* text = i < argc ? argv[i] : "2d6+3*2";
        char data[ORVIK_MIN_HOST_BUFFER]; /* the module writes no further for a text that fits */
        if (strlen(text) >= sizeof data) {
            fprintf(stderr, "%s: text too long\n", program);
            return 2;
        }
        strcpy(data, text);
        diceMain(NULL, NULL, data, NULL, NULL, NULL); /* always 3; the answer is the text */
        puts(data);
        if (strncmp(data, "Dice Error: ", 12) == 0) status = 1;
    }
    return status;
}

#endif /* ORVIK_EXAMPLES_ROLL_EACH_H */
