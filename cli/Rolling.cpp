#include "cli/Rolling.h"

#include <cstdio>
#include <cstring>

#include "cli/LineReader.h"
#include "cli/Output.h"
#include "cli/RollJson.h"
#include "dice/DiceError.h"
#include "host/RollRoutine.h"

namespace orvik::cli {

Answer ModuleRoller::roll(const char* text, std::size_t length, bool refuse) {
    // The module reads a C string: a line holding a NUL byte is not a roll text, and must not
    // reach it cut short.
    if (refuse) {
        out_.line(kInvalidArguments, sizeof kInvalidArguments - 1);
        return Answer::DiceError;
    }
    const std::size_t answer = ask(routine_, data_, text, length);
    // An empty answer is the module's out-of-memory path (another module may have more); the
    // line still keeps its place.
    out_.line(data_.data(), answer);
    if (answer == 0) return Answer::None;
    return isResult(data_.data(), answer) ? Answer::Result : Answer::DiceError;
}

Answer DiceRoller::roll(const char* text, std::size_t length, bool refuse) {
    std::size_t answer = 0;
    if (refuse) {
        // Not a roll text: the module never sees it, and no dice are drawn.
        data_.assign(kInvalidArguments, kInvalidArguments + sizeof kInvalidArguments);
        answer = sizeof kInvalidArguments - 1;
        dice_.result = false;
    } else {
        answer = ask(routine_, data_, text, length);
        // Without an answer there is no knowing how far the module's generator went.
        if (answer == 0) return Answer::Lost;
        if (!faces_.follow(text, length, data_.data(), answer, dice_)) return Answer::Mismatch;
    }
    line_.clear();
    if (json_) {
        appendRollJson(line_, std::string(text, length), std::string(data_.data(), answer), seed_,
                       dice_);
    } else {
        line_.append(data_.data(), answer);
        appendFaces(line_, dice_);
    }
    out_.line(line_.data(), line_.size());
    return isResult(data_.data(), answer) ? Answer::Result : Answer::DiceError;
}

// The odds refuse a NUL byte or a line feed themselves, in the report's own form.
Answer OddsRoller::roll(const char* text, std::size_t length, bool /*refuse*/) {
    const bool result = answers_.answer(text, length, answer_);
    out_.line(answer_.data(), answer_.size());
    return result ? Answer::Result : Answer::DiceError;
}

void Tally::count(Answer answer, const char* what, std::uint64_t number) {
    if (answer == Answer::Result) return;
    if (answer == Answer::DiceError) {
        diceError_ = true;
        return;
    }
    missing_ = true;
    const auto n = static_cast<unsigned long long>(number);
    switch (answer) {
        case Answer::None:
            std::fprintf(stderr,
                         "orvik: %s %llu: the module gave no answer (memory is the likely cause)\n",
                         what, n);
            return;
        case Answer::Lost:
            std::fprintf(
                stderr,
                "orvik: %s %llu: the module gave no answer (memory is the likely cause), so "
                "its dice can no longer be followed\n",
                what, n);
            break;
        default:
            std::fprintf(
                stderr,
                "orvik: %s %llu: the module's answer is not the one its dice give here, so "
                "they cannot be shown (is the module another engine?)\n",
                what, n);
            break;
    }
    throw StopRun{};
}

int Tally::status() const {
    if (missing_) return 2;
    return diceError_ ? 1 : 0;
}

void rollTexts(const std::vector<const char*>& texts, Roller& roller, Tally& tally) {
    std::uint64_t number = 0;
    for (const char* text : texts) {
        const std::size_t length = std::strlen(text);
        const bool refuse = std::strchr(text, '\n') != nullptr;
        tally.count(roller.roll(text, length, refuse), "TEXT", ++number);
    }
}

void rollLines(LineReader& lines, Roller& roller, Tally& tally) {
    const char* text = nullptr;
    std::size_t length = 0;
    while (lines.next(text, length))
        tally.count(roller.roll(text, length, lines.holdsNul()), "line", lines.lineNumber());
}

}  // namespace orvik::cli
