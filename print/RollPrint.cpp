#include "print/RollPrint.h"

#include "print/Json.h"

namespace orvik::print {

namespace {

// "[f1 f2 ...]" with separator between the faces.
void appendList(std::string& out, const std::int32_t* faces, std::int32_t count, char separator) {
    out += '[';
    for (std::int32_t i = 0; i < count; ++i) {
        if (i > 0) out += separator;
        appendNumber(out, faces[i]);
    }
    out += ']';
}

// A group's faces, in the order drawn.
const std::int32_t* groupFaces(const RolledDice& dice, std::int32_t g) {
    return dice.faces + static_cast<std::size_t>(g) * static_cast<std::size_t>(dice.dice);
}

}  // namespace

void appendFaces(std::string& out, const RolledDice& dice) {
    if (!dice.result) return;
    out += " dice:";
    // Only the sneak dice's first group is added.
    if (dice.sneakAttack) {
        out += " sneak ";
        appendList(out, dice.sneakFaces, dice.sneak.dice, ' ');
    }
    for (std::int32_t g = 0; g < dice.groups; ++g) {
        out += ' ';
        appendList(out, groupFaces(dice, g), dice.dice, ' ');
    }
}

void appendRollJson(std::string& out, const std::string& text, const std::string& answer,
                    std::uint32_t seed, const RolledDice& dice) {
    out += "{\"text\":";
    appendJsonString(out, text);
    out += ",\"answer\":";
    appendJsonString(out, answer);
    out += ",\"seed\":";
    appendNumber(out, seed);
    if (dice.result) {
        out += ",\"sides\":";
        appendNumber(out, dice.sides);
        out += ",\"modifier\":";
        appendNumber(out, dice.modifier);
        if (dice.sneakAttack) {
            out += R"(,"sneak":{"total":)";
            appendNumber(out, dice.sneak.total);
            out += ",\"sides\":";
            appendNumber(out, dice.sneak.sides);
            out += ",\"modifier\":";
            appendNumber(out, dice.sneak.modifier);
            out += R"(,"faces":)";
            appendList(out, dice.sneakFaces, dice.sneak.dice, ',');
            out += '}';
        }
    }
    out += ",\"groups\":[";
    // Only a result has groups to show.
    const std::int32_t groups = dice.result ? dice.groups : 0;
    for (std::int32_t g = 0; g < groups; ++g) {
        out += g > 0 ? ",{\"total\":" : "{\"total\":";
        appendNumber(out, dice.totals[g]);
        out += R"(,"faces":)";
        appendList(out, groupFaces(dice, g), dice.dice, ',');
        out += '}';
    }
    out += "]}";
}

}  // namespace orvik::print
