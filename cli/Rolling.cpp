#include "cli/Rolling.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "cli/LineReader.h"
#include "cli/Output.h"
#include "dice/DiceError.h"

namespace orvik::cli {

namespace {

constexpr std::size_t kMinHostBuffer = ORVIK_MIN_HOST_BUFFER;  // every host hands over that much

bool isResult(const char* answer, std::size_t length) {
    return length >= 6 && std::memcmp(answer, "rolls ", 6) == 0;
}

}  // namespace

Answer ModuleRoller::roll(const char* text, std::size_t length, bool holdsNul) {
    // The module reads a C string: a line holding a NUL byte is not a roll text, and must not
    // reach it cut short.
    if (holdsNul) {
        out_.line(kInvalidArguments, sizeof kInvalidArguments - 1);
        return Answer::DiceError;
    }
    // A host buffer: at least the minimum, and room for the text it is handed.
    const std::size_t capacity = std::max(kMinHostBuffer, length + 1);
    if (data_.size() < capacity) data_.resize(capacity);
    std::memcpy(data_.data(), text, length);
    data_[length] = '\0';
    routine_(nullptr, nullptr, data_.data(), nullptr, nullptr, nullptr);
    const std::size_t answer = strnlen(data_.data(), capacity);
    // An empty answer is the module's own out-of-memory path; the line still keeps its place.
    out_.line(data_.data(), answer);
    if (answer == 0) return Answer::None;
    return isResult(data_.data(), answer) ? Answer::Result : Answer::DiceError;
}

// The odds answer a NUL byte themselves, in the report's own form.
Answer OddsRoller::roll(const char* text, std::size_t length, bool /*holdsNul*/) {
    const bool result = answers_.answer(text, length, answer_);
    out_.line(answer_.data(), answer_.size());
    return result ? Answer::Result : Answer::DiceError;
}

void Tally::count(Answer answer, const char* what, std::uint64_t number) {
    if (answer == Answer::DiceError) diceError_ = true;
    if (answer != Answer::None) return;
    missing_ = true;
    std::fprintf(stderr, "orvik: %s %llu: the module gave no answer (it ran out of memory)\n", what,
                 static_cast<unsigned long long>(number));
}

int Tally::status() const {
    if (missing_) return 2;
    return diceError_ ? 1 : 0;
}

void rollTexts(const std::vector<const char*>& texts, Roller& roller, Tally& tally) {
    std::uint64_t number = 0;
    for (const char* text : texts)
        tally.count(roller.roll(text, std::strlen(text), false), "TEXT", ++number);
}

void rollLines(LineReader& lines, Roller& roller, Tally& tally) {
    const char* text = nullptr;
    std::size_t length = 0;
    while (lines.next(text, length))
        tally.count(roller.roll(text, length, lines.holdsNul()), "line", lines.lineNumber());
}

}  // namespace orvik::cli
