// Rolling a run's texts: from the arguments or standard input, through the module or the odds,
// and the exit status their answers add up to.
#ifndef ORVIK_CLI_ROLLING_H
#define ORVIK_CLI_ROLLING_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "cli/Faces.h"
#include "cli/OddsAnswers.h"
#include "host/RollRoutine.h"
#include "host/orvik.h"

namespace orvik::cli {

class Output;
class LineReader;

// Hands text to the module's routine in data, as a host does; returns the answer's length.
// Inline: plain rolling of a large file calls it once a line.
[[gnu::always_inline]] inline std::size_t ask(OrvikRollFn routine, std::vector<char>& data,
                                              const char* text, std::size_t length) {
    const std::size_t capacity = host::capacityFor(length);
    if (data.size() < capacity) data.resize(capacity);
    std::memcpy(data.data(), text, length);
    data[length] = '\0';
    routine(nullptr, nullptr, data.data(), nullptr, nullptr, nullptr);
    return strnlen(data.data(), capacity);
}

// None: the module gave no answer (most likely memory ran out). Lost: the same while its dice are
// followed, which then cannot go on. Mismatch: the module's answer is not what its dice give.
enum class Answer { Result, DiceError, None, Lost, Mismatch };

// Ends a run whose rolls cannot go on; what is already answered stands.
struct StopRun {};

// Answers one text with one line of output.
class Roller {
  public:
    Roller() = default;
    virtual ~Roller() = default;
    Roller(const Roller&) = delete;
    Roller& operator=(const Roller&) = delete;
    Roller(Roller&&) = delete;
    Roller& operator=(Roller&&) = delete;

    // refuse: the text holds a byte no roll text holds (a NUL byte, or a line feed, which only
    // an argument can hold and which would split its answer line); it is answered with the
    // invalid-arguments message without reaching the module, and no dice are drawn for it.
    virtual Answer roll(const char* text, std::size_t length, bool refuse) = 0;
};

// Through the module's roll routine, as a host calls it.
class ModuleRoller final : public Roller {
  public:
    ModuleRoller(OrvikRollFn routine, Output& out) : routine_(routine), out_(out) {}
    Answer roll(const char* text, std::size_t length, bool refuse) override;

  private:
    OrvikRollFn routine_;
    Output& out_;
    std::vector<char> data_;
};

// Through the module, with the faces behind every total after its answer (dice), or one JSON
// object per roll (json).
class DiceRoller final : public Roller {
  public:
    DiceRoller(OrvikRollFn routine, bool sneak, bool json, std::uint32_t seed, Output& out)
        : routine_(routine), json_(json), seed_(seed), out_(out), faces_(sneak, seed) {}
    Answer roll(const char* text, std::size_t length, bool refuse) override;

  private:
    OrvikRollFn routine_;
    bool json_;
    std::uint32_t seed_;
    Output& out_;
    FaceFinder faces_;
    std::vector<char> data_;
    RolledDice dice_;
    std::string line_;
};

// The exact odds instead of a roll.
class OddsRoller final : public Roller {
  public:
    OddsRoller(bool sneak, bool json, Question question, Output& out)
        : answers_(sneak, json, std::move(question)), out_(out) {}
    Answer roll(const char* text, std::size_t length, bool refuse) override;

  private:
    Answers answers_;
    Output& out_;
    std::string answer_;
};

// The answers of a run so far.
class Tally {
  public:
    // Counts answer to the text called "<what> <number>", and says on standard error when the
    // module gave none. Throws StopRun, after saying why, for Lost and Mismatch.
    void count(Answer answer, const char* what, std::uint64_t number);

    // 0 if every answer was a result, 1 if any was a dice error, 2 if any is missing.
    int status() const;

  private:
    bool diceError_ = false;
    bool missing_ = false;
};

void rollTexts(const std::vector<const char*>& texts, Roller& roller, Tally& tally);
void rollLines(LineReader& lines, Roller& roller, Tally& tally);

}  // namespace orvik::cli

#endif  // ORVIK_CLI_ROLLING_H
