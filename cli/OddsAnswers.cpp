#include "cli/OddsAnswers.h"

#include "dice/DiceError.h"
#include "odds/Json.h"
#include "odds/Questions.h"
#include "odds/Report.h"

namespace orvik::cli {

using odds::appendJsonString;
using odds::Contest;
using odds::contest;
using odds::formatContestJson;
using odds::formatContestText;
using odds::formatJson;
using odds::formatJsonError;
using odds::formatTargetJson;
using odds::formatTargetText;
using odds::formatText;
using odds::rollOdds;
using odds::sneakOdds;
using odds::TargetOdds;
using odds::targetOdds;

Answers::Odds Answers::oddsOf(const std::string& text) const {
    // A text holding a NUL byte or a line feed is no roll text, as the command answers when
    // rolling it.
    if (text.find_first_of(std::string("\0\n", 2)) != std::string::npos) {
        throw DiceError(kInvalidArguments);
    }
    return sneak_ ? sneakOdds(text.c_str()) : rollOdds(text.c_str());
}

std::string Answers::report(const std::string& text, const Odds& odds) {
    switch (question_.kind) {
        case Question::Kind::AtLeast: {
            const TargetOdds reaching = targetOdds(odds, question_.target);
            return json_ ? formatTargetJson(text, odds, reaching)
                         : formatTargetText(text, odds, reaching);
        }
        case Question::Kind::Versus: {
            const Contest chances = contest(odds, *versus_);
            return json_ ? formatContestJson(text, question_.versus, chances)
                         : formatContestText(text, odds, question_.versus, *versus_, chances);
        }
        case Question::Kind::Table:
            break;
    }
    return json_ ? formatJson(text, odds) : formatText(text, odds);
}

std::string Answers::refusal(const std::string& text, const char* message, bool versus) const {
    // The message alone would blame this text; the other is named, not repeated, since a text the
    // command refuses may not even fit on a line.
    if (!json_)
        return versus ? std::string(message) + "\n  refused: TEXT2, the text after --vs" : message;
    if (question_.kind != Question::Kind::Versus) return formatJsonError(text, message);
    std::string out = "{\"text\":";
    appendJsonString(out, text);
    out += ",\"vs\":";
    appendJsonString(out, question_.versus);
    out += ",\"error\":";
    appendJsonString(out, message);
    out += versus ? R"(,"refused":"vs"})" : R"(,"refused":"text"})";
    return out;
}

bool Answers::answer(const char* text, std::size_t length, std::string& out) {
    const std::string roll(text, length);
    out.clear();
    if (!json_ && !first_) out = "\n";  // a blank line between reports
    first_ = false;
    // The other text of a contest is the same for every text: its odds, or its refusal, once.
    if (question_.kind == Question::Kind::Versus && !versusKnown_) {
        versusKnown_ = true;
        try {
            versus_ = std::make_unique<Odds>(oddsOf(question_.versus));
        } catch (const DiceError& error) {
            versusError_ = error.what();
        }
    }
    if (question_.kind == Question::Kind::Versus && !versus_) {
        out += refusal(roll, versusError_.c_str(), true);
        return false;
    }
    try {
        // A text against itself: its odds are the other text's, already worked out.
        if (versus_ && roll == question_.versus) {
            out += report(roll, *versus_);
        } else {
            out += report(roll, oddsOf(roll));
        }
        return true;
    } catch (const DiceError& error) {
        out += refusal(roll, error.what(), false);
        return false;
    }
}

}  // namespace orvik::cli
