#include "report/SneakAttack.h"

#include <cstring>
#include <limits>

#include "report/Sentence.h"

namespace orvik {

namespace {
char* append(char* out, const char* s, std::size_t n) {
    std::memcpy(out, s, n);
    return out + n;
}

char* append(char* out, std::string_view s) {
    return append(out, s.data(), s.size());
}
}  // namespace

// work_ is left unset: only the sneak text's bytes, written here, are ever read.
// NOLINTNEXTLINE(cppcoreguidelines-pro-type-member-init)
SneakAttackText::SneakAttackText(const char* text) {
    const char* space = std::strchr(text, ' ');
    if (space == nullptr) throw DiceError(kInvalidSneakFormat);
    const std::size_t k = static_cast<std::size_t>(space - text);
    if (k >= sizeof work_) {
        longText_.reset(new char[k + 1]);
        sneak_ = longText_.get();
    }
    std::memcpy(sneak_, text, k);
    sneak_[k] = '\0';
    main_ = space + 1;
}

Orvik_Dice makeSneakAttack(const char* text, SneakDice* sneakDice, std::int32_t* faces) {
    const SneakAttackText split(text);
    // The sneak dice are built first, so they take the first draws.
    const Orvik_Dice sneak(split.sneak(), sneakDice != nullptr ? sneakDice->faces : nullptr);
    Orvik_Dice main(split.main(), faces);
    if (sneakDice != nullptr) {
        sneakDice->dice = sneak.nDice;
        sneakDice->sides = sneak.nSides;
        sneakDice->modifier = sneak.modifier;
        sneakDice->total = sneak.results[0];
    }

    // Only the sneak roll's first group counts.
    const std::int64_t extra = sneak.results[0];
    for (std::int32_t g = 0; g < main.nGroups; ++g) {
        const std::int64_t total = main.results[g] + extra;
        if (total < std::numeric_limits<std::int32_t>::min()) main.invalidRoll();
        main.results[g] = static_cast<std::int32_t>(total);
    }

    char* description = describeSneakAttack(sneak.diceCommands, main.diceCommands);
    delete[] main.diceCommands;
    main.diceCommands = description;
    return main;
}

char* describeSneakAttack(const char* sneakCommands, const char* mainCommands) {
    const std::size_t sneakLength = std::strlen(sneakCommands);
    const std::size_t mainLength = std::strlen(mainCommands);
    using namespace sentence;
    const bool article = takesArticle(mainCommands);
    const std::size_t length = kSneakHead.size() + sneakLength + kSneakJoin.size() +
                               (article ? kArticle.size() : 0) + mainLength;
    char* description = new char[length + 1];
    char* out = append(description, kSneakHead);
    out = append(out, sneakCommands, sneakLength);
    out = append(out, kSneakJoin);
    if (article) out = append(out, kArticle);
    out = append(out, mainCommands, mainLength);
    *out = '\0';
    return description;
}

}  // namespace orvik
