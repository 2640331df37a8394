// A C++ program that uses the dice record directly, with a fixed seed so that every run rolls the
// same totals.
//
//     dice_record [TEXT]         (default: 3#d20+5)
#include <orvik/DiceRandom.h>
#include <orvik/Orvik_Dice.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    const char* text = argc > 1 ? argv[1] : "3#d20+5";
    orvik::seedRandom(1);
    try {
        const Orvik_Dice roll(text);
        std::printf("%d group(s) of %dd%d%+d\n", roll.nGroups, roll.nDice, roll.nSides,
                    roll.modifier);
        std::vector<char> sentence(roll.resultsLength() + 1);
        roll.writeResults(sentence.data());
        std::printf("%s\n", sentence.data());
    } catch (const orvik::DiceError& error) {
        std::printf("%s\n", error.what());
        return 1;
    }
    return 0;
}
