// A sneak attack: extra dice rolled once and added to every total of the main roll.
#ifndef ORVIK_REPORT_SNEAKATTACK_H
#define ORVIK_REPORT_SNEAKATTACK_H

#include <cstdint>
#include <memory>

#include "dice/Orvik_Dice.h"

namespace orvik {

// The answer to a sneak attack text with no space to split it at.
inline constexpr char kInvalidSneakFormat[] = "Dice Error: Invalid format for sneak attack roll";

// A sneak attack text, "<sneak dice> <main roll>", split at its first space: the sneak dice's text
// copied out and terminated, the main roll's text left in place. Rolling and the odds both split
// here, so they cannot disagree on where the sneak dice end. The copy sits in a buffer inside this
// object, on the caller's stack; only an absurdly long one costs an allocation. Throws
// DiceError(kInvalidSneakFormat) when there is no space.
class SneakAttackText {
  public:
    explicit SneakAttackText(const char* text);
    SneakAttackText(const SneakAttackText&) = delete;
    SneakAttackText& operator=(const SneakAttackText&) = delete;
    ~SneakAttackText() = default;

    const char* sneak() const { return sneak_; }
    const char* main() const { return main_; }

  private:
    char work_[1000];
    std::unique_ptr<char[]> longText_;
    char* sneak_ = work_;
    const char* main_ = nullptr;
};

// The sneak dice of a sneak attack, for a caller that shows them.
struct SneakDice {
    std::int32_t dice = 0;  // in each group; only the first group's total is added
    std::int32_t sides = 0;
    std::int32_t modifier = 0;
    std::int32_t total = 0;         // the first group's total, the one added
    std::int32_t* faces = nullptr;  // when set, receives every sneak face, as the record's do
};

// text is "<sneak dice> <main roll>", split at its first space. The sneak dice are rolled first,
// and their first total is added to each of the main roll's totals. The returned record's text
// describes both: "( sneak attack, +3d6 ) a d8+2". When sneakDice is set, it is filled once both
// records are rolled; faces receives the main roll's faces, as the record's constructor takes it.
Orvik_Dice makeSneakAttack(const char* text, SneakDice* sneakDice = nullptr,
                           std::int32_t* faces = nullptr);

// The combined record's text, "( sneak attack, +3d6 ) a d8+2", from the texts of the sneak dice's
// record and the main record. Allocated with new[] at its length plus one; the caller owns it.
char* describeSneakAttack(const char* sneakCommands, const char* mainCommands);

}  // namespace orvik

#endif  // ORVIK_REPORT_SNEAKATTACK_H
