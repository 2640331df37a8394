// The result sentence: "rolls " ["a "] text " and gets " total {", " total} "."
#include <cstring>

#include "dice/Decimal.h"
#include "dice/Orvik_Dice.h"

namespace {

// Hands the sentence to put() piece by piece, so that measuring and writing share one walk.
template <class Put>
void emitSentence(const Orvik_Dice& record, Put&& put) {
    put("rolls ", 6);
    // A text with no count ("d20") reads better with an article.
    if (record.diceCommands[0] == 'd') put("a ", 2);
    put(record.diceCommands, std::strlen(record.diceCommands));
    put(" and gets ", 10);
    for (std::int32_t g = 0; g < record.nGroups; ++g) {
        char number[orvik::kMaxDecimal];
        put(number, orvik::writeDecimal(number, record.results[g]));
        if (g + 1 < record.nGroups) {
            put(", ", 2);
        } else {
            put(".", 1);
        }
    }
}

}  // namespace

std::size_t Orvik_Dice::resultsLength() const noexcept {
    std::size_t length = 0;
    emitSentence(*this, [&](const char*, std::size_t n) { length += n; });
    return length;
}

void Orvik_Dice::writeResults(char* dest) const noexcept {
    emitSentence(*this, [&](const char* s, std::size_t n) {
        std::memcpy(dest, s, n);
        dest += n;
    });
    *dest = '\0';
}
