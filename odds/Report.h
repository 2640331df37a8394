// The odds as people and scripts read them.
#ifndef ORVIK_ODDS_REPORT_H
#define ORVIK_ODDS_REPORT_H

#include <string>

#include "odds/Odds.h"
#include "odds/Questions.h"

namespace orvik::odds {

// A report for people: the summary, then a table of totals with their probabilities and a bar
// chart. Ends without a newline.
std::string formatText(const std::string& text, const Odds& odds);

// One line of JSON (no newline) holding every total; doc/odds.md gives its shape.
std::string formatJson(const std::string& text, const Odds& odds);

// The same for a text the module refuses.
std::string formatJsonError(const std::string& text, const char* message);

// How many groups of text reach a target, for people and as one line of JSON.
std::string formatTargetText(const std::string& text, const Odds& odds, const TargetOdds& reaching);
std::string formatTargetJson(const std::string& text, const Odds& odds, const TargetOdds& reaching);

// One total of text against one of versus, for people and as one line of JSON.
std::string formatContestText(const std::string& text, const Odds& odds, const std::string& versus,
                              const Odds& other, const Contest& chances);
std::string formatContestJson(const std::string& text, const std::string& versus,
                              const Contest& chances);

}  // namespace orvik::odds

#endif  // ORVIK_ODDS_REPORT_H
