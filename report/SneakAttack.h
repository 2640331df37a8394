// A sneak attack: extra dice rolled once and added to every total of the main roll.
#ifndef ORVIK_REPORT_SNEAKATTACK_H
#define ORVIK_REPORT_SNEAKATTACK_H

#include "dice/Orvik_Dice.h"

namespace orvik {

// The answer to a sneak attack text with no space to split it at.
inline constexpr char kInvalidSneakFormat[] = "Dice Error: Invalid format for sneak attack roll";

// text is "<sneak dice> <main roll>", split at its first space. The sneak dice are rolled first,
// and their first total is added to each of the main roll's totals. The returned record's text
// describes both: "( sneak attack, +3d6 ) a d8+2".
Orvik_Dice makeSneakAttack(const char* text);

// The combined record's text, "( sneak attack, +3d6 ) a d8+2", from the texts of the sneak dice's
// record and the main record. Allocated with new[] at its length plus one; the caller owns it.
char* describeSneakAttack(const char* sneakCommands, const char* mainCommands);

}  // namespace orvik

#endif  // ORVIK_REPORT_SNEAKATTACK_H
