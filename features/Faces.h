// A roll with the dice behind it, as `--dice` and `--json` show it. The module answers with totals
// alone, and exports nothing more; the front end knows the seed it gave the module, and this
// process keeps its own copy of the same generator in step with the module's, rolling each text
// here too, through the engine's own routine, and keeping the faces it draws. A front end with no
// module of its own (a page) rolls here alone.
#ifndef ORVIK_FEATURES_FACES_H
#define ORVIK_FEATURES_FACES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "print/RollPrint.h"

namespace orvik::features {

class FaceRolls {
  public:
    // After each answer, the faces behind every total, or one JSON object per roll.
    enum class Form { Faces, Json };

    // Seeds this process's generator as the module's was seeded.
    FaceRolls(bool sneak, Form form, std::uint32_t seed);

    // After the module answered text (length bytes) with answer: rolls the text here as well, in
    // the buffer a host hands over, which moves this generator exactly as far as the module's
    // went, and sets line to the answer with its dice. A text that is not a roll text reaches no
    // routine: answer is then ignored. False when the module's answer is not this sentence byte
    // for byte: the module is not this engine, and its dice cannot be known. Throws
    // std::bad_alloc.
    bool follow(const char* text, std::size_t length, std::string_view answer, std::string& line);

    // Rolls text here alone and sets line to its answer with its dice. Throws std::bad_alloc.
    void roll(const char* text, std::size_t length, std::string& line);

    // Rolls text here alone, leaving its answer to answer() and its dice to dice(), for a front
    // end that builds its own object of them, as the JSON line shows them. Throws std::bad_alloc.
    void roll(const char* text, std::size_t length) { rollHere(text, length); }

    // The answer behind the line last set.
    std::string_view answer() const { return answer_; }
    // The dice behind it: the rest is set only for a result.
    const print::RolledDice& dice() const { return dice_; }

  private:
    // Rolls text here; false when it is no roll text, which is then answered without a roll.
    bool rollHere(const char* text, std::size_t length);
    void write(const char* text, std::size_t length, std::string& line) const;

    bool sneak_;
    Form form_;
    std::uint32_t seed_;
    std::vector<char> mine_;  // this process's answer to the text
    std::string_view answer_;
    print::RolledDice dice_;
};

}  // namespace orvik::features

#endif  // ORVIK_FEATURES_FACES_H
