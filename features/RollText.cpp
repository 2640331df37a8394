#include "features/RollText.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "dice/DiceError.h"
#include "dice/Parse.h"

namespace orvik::features {

odds::Odds oddsOf(const std::string& text, bool sneak, odds::SharedDice* shared) {
    if (!isRollText(text.data(), text.size())) throw DiceError(kInvalidArguments);
    return sneak ? odds::sneakOdds(text.c_str(), shared) : odds::rollOdds(text.c_str(), shared);
}

namespace {

// A word the grammar reads as a roll within its limits.
bool reads(const std::string& word) {
    if (word.empty() || !isRollText(word.data(), word.size())) return false;
    try {
        parseRoll(word.c_str());
        return true;
    } catch (const DiceError&) {
        return false;
    }
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isOperator(char c) {
    return c == '+' || c == '-' || c == '*';
}

// A text split as the grammar reads it: the sneak dice and their space (a sneak attack's), the
// roll, and the free text after the roll's space, if it has one.
struct Split {
    std::string_view before;
    std::string_view roll;
    std::string_view free;
    bool spaced = false;  // the roll ends at a space
};

Split split(std::string_view text, bool sneak) {
    Split out;
    if (sneak) {
        const std::size_t space = text.find(' ');
        if (space == std::string_view::npos) return out;
        out.before = text.substr(0, space + 1);
        text.remove_prefix(space + 1);
    }
    const std::size_t space = text.find(' ');
    out.roll = text.substr(0, space);
    if (space != std::string_view::npos) {
        out.free = text.substr(space + 1);
        out.spaced = true;
    }
    return out;
}

// The free text's words, with where each begins and ends in it.
struct Word {
    std::size_t begin;
    std::size_t end;
};
std::vector<Word> words(std::string_view free) {
    std::vector<Word> out;
    std::size_t at = 0;
    while (at < free.size()) {
        if (free[at] == ' ') {
            ++at;
            continue;
        }
        const std::size_t begin = at;
        while (at < free.size() && free[at] != ' ')
            ++at;
        out.push_back({begin, at});
    }
    return out;
}

bool onlyPieceCharacters(std::string_view word) {
    return std::all_of(word.begin(), word.end(),
                       [](char c) { return isDigit(c) || isOperator(c); });
}

std::string quoted(std::string_view text) {
    std::string out = "`";
    out += text;
    out += '`';
    return out;
}

}  // namespace

std::string freeTextNotice(std::string_view text, bool sneak) {
    const Split parts = split(text, sneak);
    if (!parts.spaced || !reads(std::string(parts.roll))) return {};
    if (sneak && !reads(std::string(parts.before.substr(0, parts.before.size() - 1)))) return {};
    const std::vector<Word> list = words(parts.free);
    if (list.empty()) return {};
    const auto word = [&](std::size_t i) {
        return parts.free.substr(list[i].begin, list[i].end - list[i].begin);
    };
    // The pieces the free text begins with: an operator and its number, together ("+3") or apart
    // ("+ 3"), one after another.
    std::string pieces;
    std::size_t used = 0;
    while (used < list.size()) {
        const std::string_view w = word(used);
        if (!isOperator(w.front()) || !onlyPieceCharacters(w)) break;
        std::string piece(w);
        std::size_t next = used + 1;
        if (isOperator(piece.back())) {
            if (next == list.size()) break;
            const std::string_view number = word(next);
            if (!isDigit(number.front()) || !onlyPieceCharacters(number)) break;
            piece += number;
            ++next;
        }
        pieces += piece;
        used = next;
    }
    if (used == 0) {
        // A second roll: only a sneak attack rolls two.
        const std::string first(word(0));
        if (sneak || first.find('d') == std::string::npos || !reads(first)) return {};
        return quoted(first) +
               " was read as free text: a text rolls one roll, and a second only as a sneak "
               "attack's dice";
    }
    const std::string_view typed =
        parts.free.substr(list[0].begin, list[used - 1].end - list[0].begin);
    std::string mended(parts.roll);
    mended += pieces;
    if (!reads(mended))
        return quoted(typed) + " was read as free text: a roll ends at its first space";
    std::string whole(parts.before);
    whole += mended;
    if (used < list.size()) {
        whole += ' ';
        whole += parts.free.substr(list[used].begin);
    }
    return quoted(typed) + " was read as free text: write " + quoted(whole);
}

namespace {

// A roll word mended from another program's notation, and what was mended; mended is empty when
// nothing mends it.
struct Mended {
    std::string word;
    const char* why = nullptr;
};

// "4d6kh3", "2d20kl1", "4d6k3", "4d6dl1", "4d6d1": a keep or drop after the dice.
Mended withoutKeepOrDrop(const std::string& word) {
    for (std::size_t d = word.find('d'); d != std::string::npos; d = word.find('d', d + 1)) {
        std::size_t at = d + 1;
        if (at >= word.size() || !isDigit(word[at])) continue;
        while (at < word.size() && isDigit(word[at]))
            ++at;
        if (at >= word.size() || (word[at] != 'k' && word[at] != 'd')) continue;
        std::size_t end = at + 1;
        if (end < word.size() && (word[end] == 'h' || word[end] == 'l')) ++end;
        while (end < word.size() && isDigit(word[end]))
            ++end;
        std::string mended = word.substr(0, at) + word.substr(end);
        if (reads(mended))
            return {mended, "Orvik neither keeps nor drops dice, but sums every die it rolls"};
    }
    return {};
}

Mended mend(const std::string& word) {
    std::string lower = word;
    bool capital = false;
    for (char& c : lower) {
        if (c == 'D') {
            c = 'd';
            capital = true;
        }
    }
    if (capital && reads(lower)) return {lower, "Orvik's d is lower-case"};
    const std::size_t percent = lower.find("d%");
    if (percent != std::string::npos) {
        std::string hundred = lower;
        hundred.replace(percent + 1, 1, "100");
        if (reads(hundred)) return {hundred, "Orvik has no d%, but d100"};
    }
    Mended kept = withoutKeepOrDrop(lower);
    if (kept.why != nullptr && capital)
        kept.why = "Orvik's d is lower-case, and it sums every die it rolls";
    return kept;
}

}  // namespace

std::string notationHint(std::string_view text, bool sneak) {
    std::string_view before;
    std::string_view rest = text;
    if (sneak) {
        const std::size_t space = text.find(' ');
        if (space == std::string_view::npos) return {};
        const std::string dice(text.substr(0, space));
        if (!reads(dice)) {
            const Mended fixed = mend(dice);
            if (fixed.why == nullptr) return {};
            return std::string(fixed.why) + ": write " +
                   quoted(fixed.word + std::string(text.substr(space)));
        }
        before = text.substr(0, space + 1);
        rest = text.substr(space + 1);
    }
    const std::size_t space = rest.find(' ');
    const std::string roll(rest.substr(0, space));
    if (reads(roll)) return {};
    const std::string after =
        space == std::string_view::npos ? "" : std::string(rest.substr(space));
    const Mended fixed = mend(roll);
    if (fixed.why != nullptr)
        return std::string(fixed.why) + ": write " +
               quoted(std::string(before) + fixed.word + after);
    // A space inside the roll: "2d6+ 3", "2 d6", "d 20".
    const std::vector<Word> list = words(after);
    std::string joined = roll;
    for (std::size_t i = 0; i < list.size() && i < 3; ++i) {
        joined += after.substr(list[i].begin, list[i].end - list[i].begin);
        if (reads(joined)) {
            std::string whole = std::string(before) + joined;
            if (i + 1 < list.size()) whole += " " + after.substr(list[i + 1].begin);
            return "A roll has no space inside it: write " + quoted(whole);
        }
    }
    return {};
}

}  // namespace orvik::features
