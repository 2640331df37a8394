// The odds as people and scripts read them.
#ifndef ORVIK_PRINT_ODDSPRINT_H
#define ORVIK_PRINT_ODDSPRINT_H

#include <string>

#include "odds/Odds.h"
#include "odds/Questions.h"

namespace orvik::print {

using odds::Contest;
using odds::Odds;
using odds::TargetOdds;

// For people: the summary, then a table of totals with their probabilities and a bar chart. Ends
// without a newline.
std::string oddsText(const std::string& text, const Odds& odds);

// One line of JSON (no newline) holding every total; doc/odds.md gives its shape.
std::string oddsJson(const std::string& text, const Odds& odds);

// The same object without its totals, for a front end that takes the totals' figures as numbers
// (features/OddsAnswers.h, oddsColumns).
std::string oddsJsonHead(const std::string& text, const Odds& odds);

// The same for a text the module refuses.
std::string refusalJson(const std::string& text, const char* message);

// A contest's refusal, for people and as one line of JSON: versus says that the other text, the
// one after --vs, is the refused one.
std::string contestRefusalText(const char* message, bool versus);
std::string contestRefusalJson(const std::string& text, const std::string& other,
                               const char* message, bool versus);

// How many groups of text reach a target, for people and as one line of JSON.
std::string targetText(const std::string& text, const Odds& odds, const TargetOdds& reaching);
std::string targetJson(const std::string& text, const Odds& odds, const TargetOdds& reaching);

// One total of text against one of versus, for people and as one line of JSON.
std::string contestText(const std::string& text, const Odds& odds, const std::string& versus,
                        const Odds& other, const Contest& chances);
std::string contestJson(const std::string& text, const std::string& versus, const Contest& chances);

}  // namespace orvik::print

#endif  // ORVIK_PRINT_ODDSPRINT_H
