// A C++ program that uses the dice record directly, with a fixed seed so that every run rolls the
// same totals.
//
//     dice_record [TEXT]                 (default: 3#d20+5)
//     dice_record --sneak [SNEAK MAIN]   a sneak attack: SNEAK's dice added to every total of MAIN
//                                        (default: 3d6 d8+2)
#include <orvik/DiceRandom.h>
#include <orvik/Orvik_Dice.h>
#include <orvik/SneakAttack.h>

#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    const bool sneak = argc > 1 && std::strcmp(argv[1], "--sneak") == 0;
    const int at = sneak ? 2 : 1;
    const char* text = argc > at ? argv[at] : sneak ? "3d6 d8+2" : "3#d20+5";
    orvik::seedRandom(1);
    try {
        const Orvik_Dice roll = sneak ? orvik::makeSneakAttack(text) : Orvik_Dice(text);
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
