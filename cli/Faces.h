// The dice behind a roll. The module answers with totals alone, and exports nothing more; the
// command knows the seed it gave the module, keeps this process's copy of the same generator in
// step with the module's, and rolls each text here too, through the engine's own routine, keeping
// the faces it draws.
#ifndef ORVIK_CLI_FACES_H
#define ORVIK_CLI_FACES_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/RollRoutine.h"

namespace orvik::cli {

// Every answer of the module that is a result begins with "rolls "; every other one is a dice
// error (or empty, when memory ran out).
inline bool isResult(const char* answer, std::size_t length) {
    return length >= 6 && std::memcmp(answer, "rolls ", 6) == 0;
}

// One roll's dice, as far as the answer shows them: the rest is set only for a result.
struct RolledDice : host::RollDice {
    bool result = false;       // the answer is a sentence
    bool sneakAttack = false;  // sneak holds the sneak dice, sneakFaces their faces
};

class FaceFinder {
  public:
    // Seeds this process's generator as the module's was seeded.
    FaceFinder(bool sneak, std::uint32_t seed);

    // After the module answered text (length bytes, no NUL) with answer: rolls the text here as
    // well, in the buffer a host hands over, which moves this generator exactly as far as the
    // module's went, and keeps the dice behind its sentence. False when the module's answer is
    // not this sentence byte for byte: the module is not this engine, and its dice cannot be
    // known. Throws std::bad_alloc.
    bool follow(const char* text, std::size_t length, const char* answer, std::size_t answerLength,
                RolledDice& dice);

  private:
    bool sneak_;
    std::vector<char> mine_;  // this process's answer to the same text
};

}  // namespace orvik::cli

#endif  // ORVIK_CLI_FACES_H
