#include "cli/Faces.h"

#include <cstring>
#include <new>
#include <string>

#include "dice/Orvik_Dice.h"
#include "host/RollRoutine.h"
#include "odds/Json.h"
#include "random/RandomInternal.h"
#include "report/SneakAttack.h"

namespace orvik::cli {

namespace {

// A record's draws in the order it made them: group by group, die by die. Keeps the faces of
// the first `keep` groups.
void draw(const Orvik_Dice& record, std::int32_t keep, std::vector<std::int32_t>& faces) {
    for (std::int32_t g = 0; g < record.nGroups; ++g) {
        for (std::int32_t d = 0; d < record.nDice; ++d) {
            const std::int32_t face = nextRandom() % record.nSides + 1;
            if (g < keep) faces.push_back(face);
        }
    }
}

std::int64_t sum(const std::int32_t* faces, std::int32_t count) {
    std::int64_t total = 0;
    for (std::int32_t i = 0; i < count; ++i)
        total += faces[i];
    return total;
}

// Whether answer ends with " and gets " and these totals, as the sentence writes them.
bool endsWithTotals(const char* answer, std::size_t length,
                    const std::vector<std::int32_t>& totals) {
    std::string tail = " and gets ";
    for (std::size_t g = 0; g < totals.size(); ++g) {
        if (g > 0) tail += ", ";
        tail += std::to_string(totals[g]);
    }
    tail += '.';
    return length >= tail.size() &&
           std::memcmp(answer + length - tail.size(), tail.data(), tail.size()) == 0;
}

// The faces of a result: the roll of text (a sneak attack if dice.sneak) replayed from the state
// before, one face at a time.
void findFaces(const char* text, std::uint32_t before, RolledDice& dice) {
    // Records are built here for their counts; building them draws, so the draws are then
    // made again from where the roll began, one face at a time.
    seedRandom(before);
    std::int64_t extra = 0;
    std::int32_t groups = 0;
    if (dice.sneak) {
        const SneakAttackText split(text);
        const Orvik_Dice sneak(split.sneak());
        const Orvik_Dice main(split.main());
        seedRandom(before);
        draw(sneak, 1, dice.sneakFaces);  // only its first group is added
        dice.sneakSides = sneak.nSides;
        dice.sneakModifier = sneak.modifier;
        extra = sum(dice.sneakFaces.data(), static_cast<std::int32_t>(dice.sneakFaces.size())) +
                sneak.modifier;
        dice.sneakTotal = static_cast<std::int32_t>(extra);
        draw(main, main.nGroups, dice.faces);
        groups = main.nGroups;
        dice.dicePerGroup = main.nDice;
        dice.sides = main.nSides;
        dice.modifier = main.modifier;
    } else {
        const Orvik_Dice record(text);
        seedRandom(before);
        draw(record, record.nGroups, dice.faces);
        groups = record.nGroups;
        dice.dicePerGroup = record.nDice;
        dice.sides = record.nSides;
        dice.modifier = record.modifier;
    }
    // A result's totals are all 32-bit numbers: the module refuses any other.
    for (std::int32_t g = 0; g < groups; ++g) {
        const std::int32_t* faces =
            dice.faces.data() +
            static_cast<std::size_t>(g) * static_cast<std::size_t>(dice.dicePerGroup);
        dice.totals.push_back(
            static_cast<std::int32_t>(sum(faces, dice.dicePerGroup) + dice.modifier + extra));
    }
}

}  // namespace

FaceFinder::FaceFinder(bool sneak, std::uint32_t seed) : sneak_(sneak) {
    seedRandom(seed);
}

bool FaceFinder::follow(const char* text, std::size_t length, std::size_t capacity,
                        const char* answer, std::size_t answerLength, RolledDice& dice) {
    if (mine_.size() < capacity) mine_.resize(capacity);
    std::memcpy(mine_.data(), text, length);
    mine_[length] = '\0';
    const std::uint32_t before = randomState();
    if (sneak_) {
        host::sneakAttack(mine_.data(), capacity);
    } else {
        host::diceMain(mine_.data(), capacity);
    }
    const std::size_t mine = strnlen(mine_.data(), capacity);
    if (mine == 0) throw std::bad_alloc();  // memory ran out here, not in the module
    if (mine != answerLength || std::memcmp(mine_.data(), answer, mine) != 0) return false;

    dice.result = isResult(answer, answerLength);
    dice.sneak = sneak_;
    dice.sneakFaces.clear();
    dice.faces.clear();
    dice.totals.clear();
    if (!dice.result) return true;
    const std::uint32_t after = randomState();
    // The answer overwrote this copy of the text.
    std::memcpy(mine_.data(), text, length);
    mine_[length] = '\0';
    findFaces(mine_.data(), before, dice);
    // The faces must take the draws the roll took, and add up to the module's totals.
    return randomState() == after && endsWithTotals(answer, answerLength, dice.totals);
}

namespace {

// "[f1 f2 ...]" with separator between the faces.
void appendList(std::string& out, const std::int32_t* faces, std::size_t count, char separator) {
    out += '[';
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) out += separator;
        odds::appendNumber(out, faces[i]);
    }
    out += ']';
}

}  // namespace

void appendFaces(std::string& out, const RolledDice& dice) {
    if (!dice.result) return;
    out += " dice:";
    if (dice.sneak) {
        out += " sneak ";
        appendList(out, dice.sneakFaces.data(), dice.sneakFaces.size(), ' ');
    }
    for (std::size_t g = 0; g < dice.totals.size(); ++g) {
        out += ' ';
        const auto n = static_cast<std::size_t>(dice.dicePerGroup);
        appendList(out, dice.faces.data() + g * n, n, ' ');
    }
}

void appendRollJson(std::string& out, const std::string& text, const std::string& answer,
                    std::uint32_t seed, const RolledDice& dice) {
    out += "{\"text\":";
    odds::appendJsonString(out, text);
    out += ",\"answer\":";
    odds::appendJsonString(out, answer);
    out += ",\"seed\":";
    odds::appendNumber(out, seed);
    if (dice.result) {
        out += ",\"sides\":";
        odds::appendNumber(out, dice.sides);
        out += ",\"modifier\":";
        odds::appendNumber(out, dice.modifier);
        if (dice.sneak) {
            out += R"(,"sneak":{"total":)";
            odds::appendNumber(out, dice.sneakTotal);
            out += ",\"sides\":";
            odds::appendNumber(out, dice.sneakSides);
            out += ",\"modifier\":";
            odds::appendNumber(out, dice.sneakModifier);
            out += R"(,"faces":)";
            appendList(out, dice.sneakFaces.data(), dice.sneakFaces.size(), ',');
            out += '}';
        }
    }
    out += ",\"groups\":[";
    for (std::size_t g = 0; g < dice.totals.size(); ++g) {
        out += g > 0 ? ",{\"total\":" : "{\"total\":";
        odds::appendNumber(out, dice.totals[g]);
        out += R"(,"faces":)";
        const auto n = static_cast<std::size_t>(dice.dicePerGroup);
        appendList(out, dice.faces.data() + g * n, n, ',');
        out += '}';
    }
    out += "]}";
}

}  // namespace orvik::cli
