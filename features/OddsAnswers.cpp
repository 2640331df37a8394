#include "features/OddsAnswers.h"

#include "dice/DiceError.h"
#include "features/RollText.h"
#include "odds/Questions.h"
#include "print/OddsPrint.h"

namespace orvik::features {

std::string OddsAnswers::answerFor(const std::string& text, const Odds& odds) {
    switch (question_.kind) {
        case Question::Kind::AtLeast: {
            const odds::TargetOdds reaching = odds::targetOdds(odds, question_.target);
            return json_ ? print::targetJson(text, odds, reaching)
                         : print::targetText(text, odds, reaching);
        }
        case Question::Kind::Versus: {
            const odds::Contest chances = odds::contest(odds, *versus_);
            return json_ ? print::contestJson(text, question_.versus, chances)
                         : print::contestText(text, odds, question_.versus, *versus_, chances);
        }
        case Question::Kind::Table:
            break;
    }
    return json_ ? print::oddsJson(text, odds) : print::oddsText(text, odds);
}

std::string OddsAnswers::refusal(const std::string& text, const char* message, bool versus) const {
    if (question_.kind != Question::Kind::Versus)
        return json_ ? print::refusalJson(text, message) : message;
    return json_ ? print::contestRefusalJson(text, question_.versus, message, versus)
                 : print::contestRefusalText(message, versus);
}

void OddsAnswers::knowVersus() {
    if (question_.kind != Question::Kind::Versus || versusKnown_) return;
    versusKnown_ = true;
    try {
        versus_ = std::make_unique<Odds>(oddsOf(question_.versus, sneak_, &dice_));
    } catch (const DiceError& error) {
        versusError_ = error.what();
    }
}

bool OddsAnswers::answer(const char* text, std::size_t length, std::string& out) {
    const std::string roll(text, length);
    out.clear();
    if (!json_ && !first_) out = "\n";  // a blank line between reports
    first_ = false;
    // The other text of a contest is the same for every text.
    knowVersus();
    if (question_.kind == Question::Kind::Versus && !versus_) {
        out += refusal(roll, versusError_.c_str(), true);
        return false;
    }
    try {
        // A text against itself: its odds are the other text's, already worked out.
        if (versus_ && roll == question_.versus) {
            out += answerFor(roll, *versus_);
        } else {
            out += answerFor(roll, oddsOf(roll, sneak_, &dice_));
        }
        return true;
    } catch (const DiceError& error) {
        out += refusal(roll, error.what(), false);
        return false;
    }
}

namespace {

// The table's head and its columns, from text's odds.
void table(const std::string& roll, const odds::Odds& odds, std::string& head,
           std::vector<double>& columns) {
    head = print::oddsJsonHead(roll, odds);
    const std::vector<double>& p = odds.results.totals.probability;
    const std::vector<double> above = odds::atLeast(odds);
    const std::vector<double> below = odds::atMost(odds);
    columns.reserve(3 * p.size());
    columns.insert(columns.end(), p.begin(), p.end());
    columns.insert(columns.end(), above.begin(), above.end());
    columns.insert(columns.end(), below.begin(), below.end());
}

}  // namespace

bool OddsAnswers::drawn(const char* text, std::size_t length, std::string& head,
                        std::vector<double>& columns, std::string& answer) {
    const std::string roll(text, length);
    columns.clear();
    answer.clear();
    std::unique_ptr<Odds> own;
    std::string ownError;
    try {
        own = std::make_unique<Odds>(oddsOf(roll, sneak_, &dice_));
    } catch (const DiceError& error) {
        ownError = error.what();
    }
    if (own) {
        table(roll, *own, head, columns);
    } else {
        head = print::refusalJson(roll, ownError.c_str());
    }
    if (question_.kind == Question::Kind::Table) return own != nullptr;
    // The question, refused as answer() refuses it: the other text's refusal first.
    knowVersus();
    if (question_.kind == Question::Kind::Versus && !versus_) {
        answer = refusal(roll, versusError_.c_str(), true);
    } else if (!own) {
        answer = refusal(roll, ownError.c_str(), false);
    } else {
        answer = answerFor(roll, *own);
    }
    return own != nullptr;
}

bool oddsColumns(const char* text, std::size_t length, bool sneak, std::string& head,
                 std::vector<double>& columns, odds::SharedDice* shared) {
    const std::string roll(text, length);
    columns.clear();
    try {
        table(roll, oddsOf(roll, sneak, shared), head, columns);
        return true;
    } catch (const DiceError& error) {
        head = print::refusalJson(roll, error.what());
        return false;
    }
}

}  // namespace orvik::features
