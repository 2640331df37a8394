// What the features share about a roll text: which texts reach the module at all, how an answer
// is told from an error, a text's odds as the module would answer it, and what a person may have
// meant where the grammar reads a text otherwise.
#ifndef ORVIK_FEATURES_ROLLTEXT_H
#define ORVIK_FEATURES_ROLLTEXT_H

#include <cstring>
#include <string>
#include <string_view>

#include "dice/DiceError.h"
#include "odds/Odds.h"
#include "report/Sentence.h"

namespace orvik::features {

// A text that a line of input or an argument can hand the module. A roll routine reads a C
// string, so a NUL byte would cut the text short, and a line feed would split its answer line:
// such a text is answered with the invalid-arguments message without reaching the module, and no
// dice are drawn for it.
inline bool isRollText(const char* text, std::size_t length) {
    return std::memchr(text, '\0', length) == nullptr && std::memchr(text, '\n', length) == nullptr;
}

// The answer to a text that is not a roll text.
inline constexpr std::string_view kNotARollText = kInvalidArguments;

// An answer that is a result, not a dice error.
inline bool isResult(std::string_view answer) {
    return sentence::isResult(answer.data(), answer.size());
}

// The odds of text, plain or a sneak attack, its dice's chances from shared when it is given.
// Throws DiceError with the module's message for a text the module refuses, a text that is not a
// roll text included.
odds::Odds oddsOf(const std::string& text, bool sneak, odds::SharedDice* shared = nullptr);

// Where a text the module rolls holds roll pieces after the space that ends its roll, which the
// grammar reads as free text: "`+ 3` was read as free text: write `2d6+3`" for "2d6 + 3", and for
// a second roll ("3d6 d8+2" not rolled as a sneak attack) that only a sneak attack rolls it.
// Empty when the free text reads as nothing else, and for a text the module refuses. Throws
// std::bad_alloc.
std::string freeTextNotice(std::string_view text, bool sneak);

// For a text the module refuses with the invalid-arguments message, what it takes instead of a
// notation of other dice programs it may hold: a capital D, d%, keeping or dropping dice, a space
// inside the roll. Empty when none of them mends the text. Throws std::bad_alloc.
std::string notationHint(std::string_view text, bool sneak);

}  // namespace orvik::features

#endif  // ORVIK_FEATURES_ROLLTEXT_H
