#include "report/Speaker.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace orvik {

namespace {

constexpr std::size_t kNone = std::string_view::npos;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The digits at s[i], at most most of them, counted; more digits right after count as none, so
// that "123:45" is no time.
std::size_t digitsAt(std::string_view s, std::size_t i, std::size_t most) {
    std::size_t n = 0;
    while (i + n < s.size() && isDigit(s[i + n])) {
        if (++n > most) return 0;
    }
    return n;
}

// Exactly n digits at s[i].
bool has(std::string_view s, std::size_t i, std::size_t n) {
    return digitsAt(s, i, n) == n;
}

// A time of day at s[i]: H:MM or HH:MM, then :SS and a fraction, and a zone (Z, +HH, +HHMM,
// +HH:MM) written onto it. Its end, or kNone.
std::size_t timeAt(std::string_view s, std::size_t i) {
    const std::size_t hours = digitsAt(s, i, 2);
    if (hours == 0 || i + hours >= s.size() || s[i + hours] != ':') return kNone;
    i += hours + 1;
    if (!has(s, i, 2)) return kNone;
    i += 2;
    if (i < s.size() && s[i] == ':') {
        if (!has(s, i + 1, 2)) return kNone;
        i += 3;
        if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
            const std::size_t fraction = digitsAt(s, i + 1, 9);
            if (fraction > 0) i += 1 + fraction;
        }
    }
    if (i < s.size() && s[i] == 'Z') return i + 1;
    if (i < s.size() && (s[i] == '+' || s[i] == '-') && has(s, i + 1, 2)) {
        const std::size_t after = i + 3;
        if (after < s.size() && s[after] == ':' && has(s, after + 1, 2)) return after + 3;
        return has(s, after, 2) ? after + 2 : after;
    }
    return i;
}

// A date at s[i]: two or three groups of one to four digits, one separator between them all
// ("2026-12-09", "12/9/26", "09.12.2026"). Its end, or kNone.
std::size_t dateAt(std::string_view s, std::size_t i) {
    std::size_t n = digitsAt(s, i, 4);
    if (n == 0 || i + n >= s.size()) return kNone;
    const char separator = s[i + n];
    if (separator != '-' && separator != '/' && separator != '.') return kNone;
    i += n;
    int groups = 1;
    while (groups < 3 && i < s.size() && s[i] == separator && (n = digitsAt(s, i + 1, 4)) > 0) {
        i += 1 + n;
        ++groups;
    }
    return groups >= 2 ? i : kNone;
}

// The words a stamp may hold, in lower case: months and weekdays, whole or cut to three
// letters, the half of the day, and the two names of universal time.
bool isStampWord(std::string_view word) {
    static constexpr std::array<std::string_view, 23> kWords = {
        "january", "february", "march",     "april",    "may",      "june",
        "july",    "august",   "september", "october",  "november", "december",
        "monday",  "tuesday",  "wednesday", "thursday", "friday",   "saturday",
        "sunday",  "am",       "pm",        "utc",      "gmt"};
    if (word.size() < 2) return false;
    for (const std::string_view full : kWords) {
        const bool cut = word.size() == 3 && full.size() > 3;
        if (word.size() != full.size() && !cut) continue;
        bool same = true;
        for (std::size_t k = 0; k < word.size() && same; ++k)
            same = (word[k] | 0x20) == full[k];
        if (same) return true;
    }
    return false;
}

// A stamp word that names a month.
bool isMonth(std::string_view word) {
    static constexpr std::string_view kMonths = "janfebmaraprmayjunjulaugsepoctnovdec";
    for (std::size_t m = 0; m < kMonths.size() && word.size() >= 3; m += 3) {
        if ((word[0] | 0x20) == kMonths[m] && (word[1] | 0x20) == kMonths[m + 1] &&
            (word[2] | 0x20) == kMonths[m + 2])
            return true;
    }
    return false;
}

enum class Token { Time, Date, Number, Word, Month, Zone, None };

// The piece of a stamp at s[i] and its end.
Token tokenAt(std::string_view s, std::size_t i, std::size_t& end) {
    if (const std::size_t date = dateAt(s, i); date != kNone) {
        // An ISO date and time: 2026-12-09T19:40:12.
        if (date < s.size() && s[date] == 'T' && (end = timeAt(s, date + 1)) != kNone)
            return Token::Time;
        end = date;
        return Token::Date;
    }
    if ((end = timeAt(s, i)) != kNone) return Token::Time;
    if (const std::size_t n = digitsAt(s, i, 4); n > 0) {
        end = i + n;
        return Token::Number;
    }
    if (i < s.size() && (s[i] == '+' || s[i] == '-') && has(s, i + 1, 4)) {
        end = i + 5;
        return Token::Zone;
    }
    end = i;
    while (end < s.size() && isLetter(s[end]))
        ++end;
    const std::string_view word = s.substr(i, end - i);
    if (!isStampWord(word)) return Token::None;
    return isMonth(word) ? Token::Month : Token::Word;
}

// The stamp in brackets at s[0]: its length with the closing bracket, or 0. Any pieces in any
// order, one time among them.
std::size_t bracketed(std::string_view s) {
    const char close = s[0] == '[' ? ']' : ')';
    int times = 0;
    std::size_t i = 1;
    for (;;) {
        while (i < s.size() && (s[i] == ' ' || s[i] == ',')) {
            ++i;
        }
        if (i < s.size() && s[i] == close) return times == 1 ? i + 1 : 0;
        std::size_t end = 0;
        const Token token = tokenAt(s, i, end);
        if (token == Token::None) return 0;
        if (token == Token::Time) ++times;
        // Pieces stand apart.
        if (end < s.size() && s[end] != ' ' && s[end] != ',' && s[end] != close) return 0;
        i = end;
    }
}

// The bare stamp at s[0]: dates, numbers and months, then the time, which ends it. Its length,
// or 0.
std::size_t bare(std::string_view s) {
    std::size_t i = 0;
    for (;;) {
        std::size_t end = 0;
        const Token token = tokenAt(s, i, end);
        if (token == Token::Time) return end;
        if (token != Token::Date && token != Token::Number && token != Token::Month) return 0;
        if (end >= s.size() || s[end] != ' ') return 0;
        i = end;
        while (i < s.size() && s[i] == ' ')
            ++i;
    }
}

std::size_t skipBlanks(std::string_view s, std::size_t i) {
    while (i < s.size() && isBlank(s[i]))
        ++i;
    return i;
}

}  // namespace

std::size_t timeStampLength(std::string_view line) {
    if (line.empty()) return 0;
    if (line[0] == '[' || line[0] == '(') {
        const std::size_t length = bracketed(line);
        return length == 0 ? 0 : skipBlanks(line, length);
    }
    const std::size_t length = bare(line);
    // A bare stamp is followed by a blank, or it is no stamp.
    if (length == 0 || length >= line.size() || !isBlank(line[length])) return 0;
    return skipBlanks(line, length);
}

bool spokenBy(std::string_view before, std::string_view mark) {
    std::size_t i = skipBlanks(before, 0);
    i += timeStampLength(before.substr(i));
    mark = mark.substr(skipBlanks(mark, 0));
    if (mark.empty() || before.substr(i, mark.size()) != mark) return false;
    i += mark.size();
    // The mark is all of the speaker's field, not the start of another name.
    if (!isBlank(mark.back()) && (i >= before.size() || !isBlank(before[i]))) return false;
    i = skipBlanks(before, i);
    if (i == before.size()) return true;  // no name
    while (i < before.size() && !isBlank(before[i]))
        ++i;
    // One word, the name, then blanks alone up to the sentence.
    return i < before.size() && skipBlanks(before, i) == before.size();
}

}  // namespace orvik
