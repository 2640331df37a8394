#include "report/AnswerReader.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "dice/DiceError.h"
#include "report/Sentence.h"

namespace orvik {

namespace {

using sentence::kArticle;
using sentence::kBetween;
using sentence::kEnd;
using sentence::kGets;
using sentence::kSneakHead;
using sentence::kSneakJoin;
using sentence::kVerb;

// A total longer than this is no roll's: the longest a module writes, "-2147483648", has 10.
constexpr std::size_t kMostDigits = 15;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isWordCharacter(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// The roll text that starts at text and ends before the blank that follows it in the line, as
// the module reads it: its first '#' is the first within the text. False when the module refuses
// the text. Read where it lies, since a line can be hundreds of megabytes.
bool parsed(std::string_view text, ParsedRoll& roll) {
    const std::size_t hash = text.find('#');
    try {
        roll =
            parseRoll(text.data(), hash == std::string_view::npos ? nullptr : text.data() + hash);
        return true;
    } catch (const DiceError&) {
        return false;
    }
}

// What a text the module rolls can start with besides "d": a count, or a group prefix, which is
// read the way atoi reads one (" 3#d6" and "+3#d6" are three groups).
bool canStartText(char c) {
    return isDigit(c) || c == '+' || c == ' ' || (c >= '\t' && c <= '\r');
}

// body follows "rolls ". A main roll's text: the article before one that takes it, and only then.
bool mainText(std::string_view body, std::string_view& text) {
    if (body.substr(0, kArticle.size()) == kArticle) {
        text = body.substr(kArticle.size());
        return !text.empty() && sentence::takesArticle(text.data());
    }
    if (body.empty() || !canStartText(body[0])) return false;
    text = body;
    return true;
}

enum class Found { Text, RefusedText, None };

// The text of the sentence whose body (after "rolls ", up to " and gets ") is body.
Found textOf(std::string_view body, LoggedAnswer& answer) {
    std::string_view main;
    if (body.substr(0, kSneakHead.size()) == kSneakHead) {
        // The sneak dice are the text before the first space, so they hold none.
        const std::string_view rest = body.substr(kSneakHead.size());
        const std::size_t space = rest.find(' ');
        if (space == 0 || space == std::string_view::npos ||
            rest.substr(space, kSneakJoin.size()) != kSneakJoin ||
            !mainText(rest.substr(space + kSneakJoin.size()), main))
            return Found::None;
        const std::string_view sneak = rest.substr(0, space);
        if (!parsed(sneak, answer.sneakRoll) || !parsed(main, answer.roll))
            return Found::RefusedText;
        answer.sneak = true;
        answer.sneakDice = sneak;
        answer.mainRoll = main;
        return Found::Text;
    }
    if (!mainText(body, main)) return Found::None;
    if (!parsed(main, answer.roll)) return Found::RefusedText;
    answer.sneak = false;
    answer.sneakDice = {};
    answer.mainRoll = main;
    return Found::Text;
}

}  // namespace

std::string LoggedAnswer::text() const {
    std::string text;
    text.reserve(textLength());
    if (sneak) text.append(sneakDice).append(1, ' ');
    return text.append(mainRoll);
}

std::size_t LoggedAnswer::textLength() const {
    return (sneak ? sneakDice.size() + 1 : 0) + mainRoll.size();
}

std::size_t totalsStart(std::string_view sentence) {
    return sentence.rfind(kGets) + kGets.size();
}

bool readTotals(std::string_view s, LoggedAnswer& answer) {
    answer.totals.clear();
    answer.totalCount = 0;
    answer.unreadable.clear();
    std::size_t i = 0;
    for (;;) {
        const std::size_t start = i;
        if (i < s.size() && s[i] == '-') ++i;
        const std::size_t digits = i;
        std::int64_t value = 0;
        while (i < s.size() && isDigit(s[i])) {
            if (i - digits < kMostDigits) value = value * 10 + (s[i] - '0');
            ++i;
        }
        if (i == digits) return false;
        // The module writes no leading zero and no "-0".
        if (s[digits] == '0' && (i - digits > 1 || digits > start)) return false;
        if (i - digits > kMostDigits && answer.unreadable.empty()) {
            // Named as the module's own long answers are: cut short.
            answer.unreadable = std::string(s.substr(start, std::min(i - start, kMostNamed)));
            if (i - start > kMostNamed) answer.unreadable += "...";
        }
        if (answer.totals.size() < kMostTotals)
            answer.totals.push_back(s[start] == '-' ? -value : value);
        ++answer.totalCount;
        if (s.substr(i) == kEnd) return true;
        if (s.substr(i, kBetween.size()) != kBetween) return false;
        i += kBetween.size();
    }
}

LogLine readLogLine(const char* line, std::size_t length, LoggedAnswer& answer) {
    std::string_view s(line, length);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    const bool error = s.find("Dice Error:") != std::string_view::npos;
    // The totals hold no " and gets ", so only the last one can start them.
    const std::size_t gets = s.rfind(kGets);
    if (gets == std::string_view::npos || !readTotals(s.substr(gets + kGets.size()), answer))
        return error ? LogLine::DiceError : LogLine::Other;
    // A name or a message before the sentence may hold "rolls " too: the first that starts the
    // sentence of a text the module rolls is taken.
    const std::string_view head = s.substr(0, gets);
    bool refused = false;
    int tries = 0;
    for (std::size_t at = head.find(kVerb); at != std::string_view::npos;
         at = head.find(kVerb, at + 1)) {
        if (at > 0 && isWordCharacter(head[at - 1])) continue;
        if (++tries > kMostTries) return LogLine::Untried;
        switch (textOf(head.substr(at + kVerb.size()), answer)) {
            case Found::Text:
                answer.before = head.substr(0, at);
                return LogLine::Answer;
            case Found::RefusedText:
                refused = true;
                break;
            case Found::None:
                break;
        }
    }
    if (refused) return LogLine::Refused;
    return error ? LogLine::DiceError : LogLine::Other;
}

}  // namespace orvik
