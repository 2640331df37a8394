// The odds of texts, one after another, as `--odds` prints them: what is asked of each text, and
// the answers.
#ifndef ORVIK_FEATURES_ODDSANSWERS_H
#define ORVIK_FEATURES_ODDSANSWERS_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "odds/Odds.h"
#include "odds/SharedDice.h"

namespace orvik::features {

// What is asked of a text: the table of its totals, the chance of reaching a target, or
// a contest against another text.
struct Question {
    enum class Kind { Table, AtLeast, Versus };
    Kind kind = Kind::Table;
    std::int64_t target = 0;  // AtLeast: the total to reach
    std::string versus;       // Versus: the other text
};

// Answers texts one after another: blank lines between text reports, one JSON object per line.
class OddsAnswers {
  public:
    OddsAnswers(bool sneak, bool json, Question question = {})
        : sneak_(sneak), json_(json), question_(std::move(question)) {}

    // Sets out to the answer for text (without a final newline). False for a dice error.
    bool answer(const char* text, std::size_t length, std::string& out);

    // For a front end that draws the table (the page), from one working-out of text's odds: its
    // table as oddsColumns below gives it, and when a question is asked, its answer as answer()
    // gives it (JSON only); answer is left empty for the table alone. False when the text itself
    // is refused. Throws std::bad_alloc.
    bool drawn(const char* text, std::size_t length, std::string& head,
               std::vector<double>& columns, std::string& answer);

  private:
    using Odds = odds::Odds;

    std::string answerFor(const std::string& text, const Odds& odds);
    std::string refusal(const std::string& text, const char* message, bool versus) const;
    // The other text of a contest: its odds, or its refusal, once.
    void knowVersus();

    bool sneak_;
    bool json_;
    Question question_;
    bool first_ = true;
    // The other text's odds for a contest, or its refusal: worked out at the first answer.
    bool versusKnown_ = false;
    std::unique_ptr<Odds> versus_;
    std::string versusError_;
    odds::SharedDice dice_;  // the chances of the dice the texts share
};

// The table of text's totals for a front end that draws them (the page), without 200,000
// numbers to write and read back: head is the object `--odds --json` prints without its totals,
// and columns each total's p, then each one's at_least, then each one's at_most, lowest total
// first, the very figures of the totals the JSON lists. False for a dice error: head is then the
// refusal's JSON, and columns empty. The dice's chances come from shared when it is given, so
// that texts of the same dice share them. Throws std::bad_alloc.
bool oddsColumns(const char* text, std::size_t length, bool sneak, std::string& head,
                 std::vector<double>& columns, odds::SharedDice* shared = nullptr);

}  // namespace orvik::features

#endif  // ORVIK_FEATURES_ODDSANSWERS_H
