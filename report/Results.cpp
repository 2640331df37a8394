// The result sentence: "rolls " ["a "] text " and gets " total {", " total} "."
#include <cstring>
#include <limits>

#include "dice/Decimal.h"
#include "dice/Orvik_Dice.h"
#include "report/Sentence.h"

namespace {

// Hands the sentence to a sink piece by piece, so that measuring and writing share one walk. The
// sink is handed each group's index and looks the total up itself, so that a sink can also leave
// the totals out.
template <class Sink>
void emitSentence(const char* text, std::int32_t groups, Sink& sink) {
    using namespace orvik::sentence;
    sink.piece(kVerb.data(), kVerb.size());
    if (takesArticle(text)) sink.piece(kArticle.data(), kArticle.size());
    sink.text(text);
    sink.piece(kGets.data(), kGets.size());
    for (std::int32_t g = 0; g < groups; ++g) {
        sink.total(g);
        if (g + 1 < groups) {
            sink.piece(kBetween.data(), kBetween.size());
        } else {
            sink.piece(kEnd.data(), kEnd.size());
        }
    }
}

struct Measure {
    const std::int32_t* totals = nullptr;
    std::size_t length = 0;
    void piece(const char*, std::size_t n) { length += n; }
    void text(const char* s) { length += std::strlen(s); }
    void total(std::int32_t g) { length += orvik::decimalLength(totals[g]); }
};

// Everything but the totals' digits.
struct MeasureWithoutTotals : Measure {
    void total(std::int32_t) {}
};

// Writes while there is room for the piece and a terminator after it, and stops for good at the
// first piece that does not fit.
struct BoundedWrite {
    const std::int32_t* totals = nullptr;
    char* out = nullptr;
    std::size_t room = 0;
    bool fits = true;
    void piece(const char* s, std::size_t n) {
        if (!fits || n >= room) {
            fits = false;
            return;
        }
        std::memcpy(out, s, n);
        out += n;
        room -= n;
    }
    void text(const char* s) { piece(s, std::strlen(s)); }
    void total(std::int32_t g) { number(totals[g]); }
    void number(std::int32_t value) {
        // Straight into place when any number fits: copying digits just written a byte at a
        // time with wider reads would stall on them.
        if (fits && room > orvik::kMaxDecimal) {
            const std::size_t n = orvik::writeDecimal(out, value);
            out += n;
            room -= n;
            return;
        }
        char digits[orvik::kMaxDecimal] = {};
        piece(digits, orvik::writeDecimal(digits, value));
    }
};

}  // namespace

std::size_t Orvik_Dice::resultsLength() const noexcept {
    Measure measure{results};
    emitSentence(diceCommands, nGroups, measure);
    return measure.length;
}

std::size_t Orvik_Dice::resultsLengthWithoutTotals(const char* text, std::int32_t groups) noexcept {
    MeasureWithoutTotals measure;
    emitSentence(text, groups, measure);
    return measure.length;
}

// The caller has measured: no bound can be reached.
void Orvik_Dice::writeResults(char* dest) const noexcept {
    writeResults(dest, std::numeric_limits<std::size_t>::max());
}

// NOLINTNEXTLINE(readability-non-const-parameter): written through the sink
bool Orvik_Dice::writeResults(char* dest, std::size_t capacity) const noexcept {
    BoundedWrite write{results, dest, capacity};
    emitSentence(diceCommands, nGroups, write);
    if (write.fits) *write.out = '\0';
    return write.fits;
}
