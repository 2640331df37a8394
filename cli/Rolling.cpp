#include "cli/Rolling.h"

#include <cstring>

#include "cli/LineReader.h"
#include "cli/Messages.h"
#include "cli/Module.h"
#include "cli/Output.h"
#include "features/RollText.h"

namespace orvik::cli {

using features::isResult;
using features::isRollText;
using features::kNotARollText;

Outcome ModuleAnswerer::answer(const char* text, std::size_t length) {
    if (!isRollText(text, length)) {
        out_.line(kNotARollText.data(), kNotARollText.size());
        return Outcome::DiceError;
    }
    const std::size_t answer = ask(routine_, data_, text, length);
    // An empty answer is the module's out-of-memory path (another module may have more); the
    // line still keeps its place.
    out_.line(data_.data(), answer);
    if (answer == 0) return Outcome::None;
    return isResult({data_.data(), answer}) ? Outcome::Result : Outcome::DiceError;
}

Outcome FaceAnswerer::answer(const char* text, std::size_t length) {
    std::size_t answer = 0;
    if (isRollText(text, length)) {
        answer = ask(routine_, data_, text, length);
        // Without an answer there is no knowing how far the module's generator went.
        if (answer == 0) return Outcome::Lost;
    }
    if (!faces_.follow(text, length, {data_.data(), answer}, line_)) return Outcome::Mismatch;
    out_.line(line_.data(), line_.size());
    return isResult(faces_.answer()) ? Outcome::Result : Outcome::DiceError;
}

// The odds refuse a text that is no roll text themselves, in the report's own form.
Outcome OddsAnswerer::answer(const char* text, std::size_t length) {
    const bool result = answers_.answer(text, length, answer_);
    out_.line(answer_.data(), answer_.size());
    return result ? Outcome::Result : Outcome::DiceError;
}

Outcome NoticingAnswerer::answer(const char* text, std::size_t length) {
    const Outcome outcome = answerer_.answer(text, length);
    const std::string notice = features::freeTextNotice({text, length}, sneak_);
    if (!notice.empty()) {
        out_.flush();  // the notice after its answer
        say(notice);
    }
    return outcome;
}

void Tally::count(Outcome outcome, const char* what, std::uint64_t number) {
    switch (outcome) {
        case Outcome::Result:
            return;
        case Outcome::DiceError:
            diceError_ = true;
            return;
        case Outcome::None:
            missing_ = true;
            say(noAnswer(what, number));
            return;
        case Outcome::Lost:
            say(noAnswer(what, number) + ", so its dice can no longer be followed");
            break;
        case Outcome::Mismatch:
            say(std::string(what) + " " + std::to_string(number) +
                ": the module's answer is not the one its dice give here, so they cannot be shown "
                "(is the module another engine?)");
            break;
    }
    missing_ = true;
    throw StopRun{};
}

int Tally::status() const {
    if (missing_) return kTrouble;
    return diceError_ ? kFailure : kSuccess;
}

void answerTexts(const std::vector<const char*>& texts, Answerer& answerer, Tally& tally) {
    std::uint64_t number = 0;
    for (const char* text : texts)
        tally.count(answerer.answer(text, std::strlen(text)), "TEXT", ++number);
}

void answerLines(LineReader& lines, Answerer& answerer, Tally& tally) {
    const char* text = nullptr;
    std::size_t length = 0;
    while (lines.next(text, length))
        tally.count(answerer.answer(text, length), "line", lines.lineNumber());
}

}  // namespace orvik::cli
