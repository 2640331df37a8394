// Answering a run's texts, from the arguments or standard input, through the module or the odds,
// and the exit status their answers add up to.
#ifndef ORVIK_CLI_ROLLING_H
#define ORVIK_CLI_ROLLING_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "features/Faces.h"
#include "features/OddsAnswers.h"
#include "host/orvik.h"

namespace orvik::cli {

class Output;
class LineReader;

// None: the module gave no answer (most likely memory ran out). Lost: the same while its dice are
// followed, which then cannot go on. Mismatch: the module's answer is not what its dice give.
enum class Outcome { Result, DiceError, None, Lost, Mismatch };

// Ends a run whose rolls cannot go on; what is already answered stands.
struct StopRun {};

// Answers one text with one line of output.
class Answerer {
  public:
    Answerer() = default;
    virtual ~Answerer() = default;
    Answerer(const Answerer&) = delete;
    Answerer& operator=(const Answerer&) = delete;
    Answerer(Answerer&&) = delete;
    Answerer& operator=(Answerer&&) = delete;

    virtual Outcome answer(const char* text, std::size_t length) = 0;
};

// Through the module's roll routine, as a host calls it.
class ModuleAnswerer final : public Answerer {
  public:
    ModuleAnswerer(OrvikRollFn routine, Output& out) : routine_(routine), out_(out) {}
    Outcome answer(const char* text, std::size_t length) override;

  private:
    OrvikRollFn routine_;
    Output& out_;
    std::vector<char> data_;
};

// Through the module, with the dice behind every total after its answer, or one JSON object per
// roll.
class FaceAnswerer final : public Answerer {
  public:
    FaceAnswerer(OrvikRollFn routine, bool sneak, features::FaceRolls::Form form,
                 std::uint32_t seed, Output& out)
        : routine_(routine), out_(out), faces_(sneak, form, seed) {}
    Outcome answer(const char* text, std::size_t length) override;

  private:
    OrvikRollFn routine_;
    Output& out_;
    features::FaceRolls faces_;
    std::vector<char> data_;
    std::string line_;
};

// The exact odds instead of a roll.
class OddsAnswerer final : public Answerer {
  public:
    OddsAnswerer(bool sneak, bool json, features::Question question, Output& out)
        : answers_(sneak, json, std::move(question)), out_(out) {}
    Outcome answer(const char* text, std::size_t length) override;

  private:
    features::OddsAnswers answers_;
    Output& out_;
    std::string answer_;
};

// Another answerer's answers, each followed, on standard error, by what its text held that reads
// as a roll piece but was read as free text (features::freeTextNotice): for a person at a
// terminal, never for a program reading the answers.
class NoticingAnswerer final : public Answerer {
  public:
    NoticingAnswerer(Answerer& answerer, bool sneak, Output& out)
        : answerer_(answerer), sneak_(sneak), out_(out) {}
    Outcome answer(const char* text, std::size_t length) override;

  private:
    Answerer& answerer_;
    bool sneak_;
    Output& out_;
};

// The answers of a run so far.
class Tally {
  public:
    // Counts outcome for the text called "<what> <number>", and says on standard error when the
    // module gave no answer. Throws StopRun, after saying why, for Lost and Mismatch.
    void count(Outcome outcome, const char* what, std::uint64_t number);

    // kSuccess if every answer was a result, kFailure if any was a dice error, kTrouble if any is
    // missing.
    int status() const;

  private:
    bool diceError_ = false;
    bool missing_ = false;
};

void answerTexts(const std::vector<const char*>& texts, Answerer& answerer, Tally& tally);
void answerLines(LineReader& lines, Answerer& answerer, Tally& tally);

}  // namespace orvik::cli

#endif  // ORVIK_CLI_ROLLING_H
