// The exact distribution of dice totals as Orvik draws them: a face is the generator's 15-bit
// output modulo the sides, plus one, so low faces of most dice come up slightly more often.
#ifndef ORVIK_ODDS_DISTRIBUTION_H
#define ORVIK_ODDS_DISTRIBUTION_H

#include <cstdint>
#include <vector>

namespace orvik::odds {

// The generator's outputs are 0 to 32767, each equally likely.
constexpr std::int32_t kOutputs = 32768;

// How many of the generator's outputs give face (1 to sides) of a die with that many sides.
std::int32_t faceCount(std::int32_t sides, std::int32_t face);

// P(total = lowest + i) is probability[i]. Starts as the certain total 0.
struct Distribution {
    std::int64_t lowest = 0;
    std::vector<double> probability{1.0};

    std::int64_t highest() const {
        return lowest + static_cast<std::int64_t>(probability.size()) - 1;
    }
};

// Whose dice: Orvik's, each face's chance exactly as the generator gives it, or ideal dice, whose
// faces are equally likely, as a real die's or another module's may be.
enum class Faces { Orvik, Ideal };

// Adds count dice of sides faces (1 to 500) to every total. Each die costs time in proportion to
// the number of totals, not totals x sides: the faces take only two probabilities, so a die is
// two sliding-window sums over the totals so far. Probabilities keep nearly full precision
// relative to their own size, far tails included (3e-15 at worst after 100 d500).
void addDice(Distribution& totals, std::int32_t count, std::int32_t sides,
             Faces faces = Faces::Orvik);

// Adds x to the unevaluated sum hi + lo, keeping each step's rounding error in lo (Knuth's
// two-sum), so that long sums of small terms keep their digits. For doubles, or vectors of them,
// lane by lane.
template <typename Number>
inline void twoSum(Number& hi, Number& lo, Number x) {
    const Number s = hi + x;
    const Number b = s - hi;
    lo += (hi - (s - b)) + (x - b);
    hi = s;
}

// Moves every total by modifier.
inline void addModifier(Distribution& totals, std::int64_t modifier) {
    totals.lowest += modifier;
}

// What one record rolls per group: dice of sides faces, then the modifier (already multiplied).
struct DicePart {
    std::int32_t dice = 0;
    std::int32_t sides = 1;
    std::int32_t modifier = 0;
    Faces faces = Faces::Orvik;
};

// No dice at all: the certain 0.
inline constexpr DicePart kNoDice{0, 1, 0};

inline std::int64_t lowestOf(const DicePart& part) {
    return std::int64_t{part.dice} + part.modifier;
}

inline std::int64_t highestOf(const DicePart& part) {
    return std::int64_t{part.dice} * part.sides + part.modifier;
}

// Adds one roll of part to every total.
inline void addPart(Distribution& totals, const DicePart& part) {
    addDice(totals, part.dice, part.sides, part.faces);
    addModifier(totals, part.modifier);
}

// The totals of one roll of part, none refused.
inline Distribution totalsOf(const DicePart& part) {
    Distribution totals;
    addPart(totals, part);
    return totals;
}

}  // namespace orvik::odds

#endif  // ORVIK_ODDS_DISTRIBUTION_H
