#include "cli/AnswerLog.h"

#include <cstring>
#include <string_view>

#include "dice/DiceError.h"
#include "dice/Parse.h"

namespace orvik::cli {

namespace {

constexpr std::string_view kVerb = "rolls ";
constexpr std::string_view kGets = " and gets ";
constexpr std::string_view kSneak = "( sneak attack, +";
constexpr std::string_view kSneakEnd = " ) ";
// Sentence starts tried in one line.
constexpr int kMostTries = 8;
// A total longer than this is no roll's: the largest have 6 digits.
constexpr std::size_t kMostDigits = 15;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isWordCharacter(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// The groups of the roll text that starts at text and ends before the blank that follows it in
// the line, as the module reads it: its first '#' is the first within the text. False when the
// module refuses the text. Read where it lies, since a line can be hundreds of megabytes.
bool groupsOf(std::string_view text, std::int32_t& groups) {
    const std::size_t hash = text.find('#');
    try {
        groups =
            parseRoll(text.data(), hash == std::string_view::npos ? nullptr : text.data() + hash)
                .groups;
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

// body follows "rolls ". A main roll's text: "a " before one that starts with "d", and only then.
bool mainText(std::string_view body, std::string_view& text) {
    if (body.substr(0, 3) == "a d") {
        text = body.substr(2);
        return true;
    }
    if (body.empty() || !canStartText(body[0])) return false;
    text = body;
    return true;
}

enum class Found { Text, RefusedText, None };

// The text of the sentence whose body (after "rolls ", up to " and gets ") is body.
Found textOf(std::string_view body, LoggedAnswer& answer) {
    std::string_view main;
    if (body.substr(0, kSneak.size()) == kSneak) {
        // The sneak dice are the text before the first space, so they hold none.
        const std::string_view rest = body.substr(kSneak.size());
        const std::size_t space = rest.find(' ');
        if (space == 0 || space == std::string_view::npos ||
            rest.substr(space, kSneakEnd.size()) != kSneakEnd ||
            !mainText(rest.substr(space + kSneakEnd.size()), main))
            return Found::None;
        const std::string_view sneak = rest.substr(0, space);
        std::int32_t ignored = 0;
        if (!groupsOf(sneak, ignored) || !groupsOf(main, answer.groups)) return Found::RefusedText;
        answer.sneak = true;
        answer.text.assign(sneak);
        answer.text += ' ';
        answer.text.append(main);
        return Found::Text;
    }
    if (!mainText(body, main)) return Found::None;
    if (!groupsOf(main, answer.groups)) return Found::RefusedText;
    answer.sneak = false;
    answer.text.assign(main);
    return Found::Text;
}

}  // namespace

bool readTotals(std::string_view s, LoggedAnswer& answer) {
    answer.totals.clear();
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
        if (i - digits > kMostDigits && answer.unreadable.empty())
            answer.unreadable = std::string(s.substr(start, i - start));
        answer.totals.push_back(s[start] == '-' ? -value : value);
        if (i + 1 == s.size() && s[i] == '.') return true;
        if (s.substr(i, 2) != ", ") return false;
        i += 2;
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
    // Each try reads the rest of the line, so only the first few are tried.
    bool refused = false;
    int tries = 0;
    for (std::size_t at = head.find(kVerb); at != std::string_view::npos && tries < kMostTries;
         at = head.find(kVerb, at + 1)) {
        if (at > 0 && isWordCharacter(head[at - 1])) continue;
        ++tries;
        switch (textOf(head.substr(at + kVerb.size()), answer)) {
            case Found::Text:
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

}  // namespace orvik::cli
