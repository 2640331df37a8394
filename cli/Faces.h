// The dice behind a roll. The module answers with totals alone, and exports nothing more; the
// command knows the seed it gave the module, keeps this process's copy of the same generator in
// step with the module's, and rebuilds each roll here to learn the faces behind its totals.
#ifndef ORVIK_CLI_FACES_H
#define ORVIK_CLI_FACES_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace orvik::cli {

// Every answer of the module that is a result begins with "rolls "; every other one is a dice
// error (or empty, when memory ran out).
inline bool isResult(const char* answer, std::size_t length) {
    return length >= 6 && std::memcmp(answer, "rolls ", 6) == 0;
}

// One roll's dice, as far as the answer shows them.
struct RolledDice {
    bool result = false;  // the answer is a sentence; the rest is set only then
    bool sneak = false;   // a sneak attack: sneakFaces and sneakTotal hold its first group
    std::vector<std::int32_t> sneakFaces;
    std::int32_t sneakSides = 0;
    std::int32_t sneakModifier = 0;
    std::int32_t sneakTotal = 0;
    std::int32_t sides = 0;
    std::int32_t dicePerGroup = 0;     // faces per group, multiplier applied
    std::int32_t modifier = 0;         // added to each group, multiplier applied
    std::vector<std::int32_t> faces;   // every group's faces, group after group
    std::vector<std::int32_t> totals;  // each group's total, sneak attack included
};

class FaceFinder {
  public:
    // Seeds this process's generator as the module's was seeded.
    FaceFinder(bool sneak, std::uint32_t seed);

    // After the module answered text (length bytes, no NUL) with answer, in a buffer of capacity
    // bytes: rolls the text here as well, which moves this generator exactly as far as the
    // module's went, and, for a result, finds its faces. False when the module's answer is not
    // the one these dice give, or its totals are not theirs: the module is not this engine, and
    // its dice cannot be known. Throws std::bad_alloc.
    bool follow(const char* text, std::size_t length, std::size_t capacity, const char* answer,
                std::size_t answerLength, RolledDice& dice);

  private:
    bool sneak_;
    std::vector<char> mine_;  // this process's answer to the same text
};

// After an answer: " dice: [3 4] [6 3]", each group's faces in brackets, and a sneak attack's
// first, as " dice: sneak [4 5 1] [5]". Nothing for an answer that is not a result.
void appendFaces(std::string& out, const RolledDice& dice);

// One roll as one line of JSON: the text, the module's answer as it wrote it, the run's seed, and
// for a result the sides and modifier, the sneak attack's total, sides, modifier and faces, and
// each group's total and faces.
void appendRollJson(std::string& out, const std::string& text, const std::string& answer,
                    std::uint32_t seed, const RolledDice& dice);

}  // namespace orvik::cli

#endif  // ORVIK_CLI_FACES_H
