// Fuzzes the odds: any bytes as a roll text, the first byte choosing a sneak attack (bit 0), the
// JSON report (bit 1) and a target for the questions beyond the table (the rest). Whatever the
// text, the answer is the module's error or odds whose chances lie in [0, 1] and sum to 1 with the
// error's; the JSON reads back under a strict reader; rolling the same text once answers as the
// odds allow; and the questions' chances sum to 1 too.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "dice/DiceError.h"
#include "dice/Orvik_Dice.h"
#include "features/OddsAnswers.h"
#include "host/RollRoutine.h"
#include "odds/Odds.h"
#include "odds/Questions.h"
#include "print/OddsPrint.h"
#include "random/DiceRandom.h"

namespace {

// Past 1,000 bytes the sneak attack's work buffer gives way to an allocation, and past 512 no
// sentence fits: longer texts find nothing new, and only cost time.
constexpr std::size_t kMaxText = 1100;

// The odds' time grows with the totals a group can have and, when answers can be too long, with
// the groups as well: instrumented for fuzzing, 30 groups of 100d500 with a sneak attack of
// 100d500 take half a minute. Texts beyond this many totals times groups are left to the tests.
constexpr std::int64_t kMaxWork = 20000;

// The totals one group of a text can have, times its groups; 0 for a text the module refuses.
std::int64_t workOf(const std::string& text, bool sneak) {
    try {
        std::int64_t totals = 1;
        std::string mainText = text;
        if (sneak) {
            const std::size_t space = text.find(' ');
            if (space == std::string::npos) return 0;
            const Orvik_Dice extra(text.substr(0, space).c_str());
            totals += std::int64_t{extra.nDice} * (extra.nSides - 1);
            mainText = text.substr(space + 1);
        }
        const Orvik_Dice main(mainText.c_str());
        totals += std::int64_t{main.nDice} * (main.nSides - 1);
        return totals * main.nGroups;
    } catch (const orvik::DiceError&) {
        return 0;
    }
}

[[noreturn]] void fail(const char* what, const std::string& text, const std::string& answer) {
    std::fprintf(stderr, "property broken: %s\n  text (%zu bytes): \"%s\"\n  answer: \"%.2000s\"\n",
                 what, text.size(), text.c_str(), answer.c_str());
    std::abort();
}

// A JSON value, as much of it as the checks read.
struct Value {
    enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = Kind::kNull;
    double number = 0.0;
    std::string string;
    std::vector<Value> items;
    std::vector<std::pair<std::string, Value>> members;

    const Value* get(const char* key) const {
        for (const auto& member : members)
            if (member.first == key) return &member.second;
        return nullptr;
    }
};

// A strict reader of one JSON document (RFC 8259): well-formed UTF-8, escapes and numbers.
class Reader {
  public:
    explicit Reader(const std::string& text) : s_(text) {}

    bool document(Value& v) {
        if (!value(v, 0)) return false;
        space();
        return at_ == s_.size();
    }

  private:
    static constexpr int kMaxDepth = 8;

    bool value(Value& v, int depth) {
        space();
        if (at_ == s_.size() || depth > kMaxDepth) return false;
        const char c = s_[at_];
        if (c == '{') return object(v, depth);
        if (c == '[') return array(v, depth);
        if (c == '"') {
            v.kind = Value::Kind::kString;
            return string(v.string);
        }
        if (word("true") || word("false")) {
            v.kind = Value::Kind::kBool;
            return true;
        }
        if (word("null")) return true;
        v.kind = Value::Kind::kNumber;
        return number(v.number);
    }

    // The list grammar objects and arrays share: the opening byte, then nothing or elements
    // separated by commas, then close.
    template <typename Element>
    bool elements(char close, Element element) {
        ++at_;
        space();
        if (next(close)) return true;
        do {
            if (!element()) return false;
            space();
        } while (next(','));
        return next(close);
    }

    bool object(Value& v, int depth) {
        v.kind = Value::Kind::kObject;
        return elements('}', [&] {
            space();
            std::pair<std::string, Value> member;
            if (!string(member.first)) return false;
            space();
            if (!next(':') || !value(member.second, depth + 1)) return false;
            v.members.push_back(std::move(member));
            return true;
        });
    }

    bool array(Value& v, int depth) {
        v.kind = Value::Kind::kArray;
        return elements(']', [&] {
            v.items.emplace_back();
            return value(v.items.back(), depth + 1);
        });
    }

    bool string(std::string& out) {
        if (!next('"')) return false;
        while (at_ < s_.size()) {
            const auto c = static_cast<unsigned char>(s_[at_]);
            if (c == '"') {
                ++at_;
                return true;
            }
            if (c < 0x20) return false;
            if (c == '\\') {
                if (++at_ == s_.size()) return false;
                const char e = s_[at_++];
                if (e == 'u') {
                    for (int i = 0; i < 4; ++i, ++at_)
                        if (at_ == s_.size() ||
                            std::isxdigit(static_cast<unsigned char>(s_[at_])) == 0)
                            return false;
                } else if (std::strchr("\"\\/bfnrt", e) == nullptr || e == '\0') {
                    return false;
                }
                out += '?';
                continue;
            }
            const std::size_t length = utf8Length();
            if (length == 0) return false;
            out.append(s_, at_, length);
            at_ += length;
        }
        return false;
    }

    // The length of the well-formed UTF-8 sequence at at_, or 0.
    std::size_t utf8Length() const {
        const auto byte = [&](std::size_t k) {
            return at_ + k < s_.size() ? static_cast<unsigned char>(s_[at_ + k]) : 0u;
        };
        const unsigned c = byte(0);
        const auto within = [&](std::size_t k, unsigned low, unsigned high) {
            return byte(k) >= low && byte(k) <= high;
        };
        if (c < 0x80) return 1;
        if (c >= 0xC2 && c <= 0xDF) return within(1, 0x80, 0xBF) ? 2 : 0;
        if (c >= 0xE0 && c <= 0xEF) {
            const unsigned low = c == 0xE0 ? 0xA0 : 0x80;
            const unsigned high = c == 0xED ? 0x9F : 0xBF;
            return within(1, low, high) && within(2, 0x80, 0xBF) ? 3 : 0;
        }
        if (c >= 0xF0 && c <= 0xF4) {
            const unsigned low = c == 0xF0 ? 0x90 : 0x80;
            const unsigned high = c == 0xF4 ? 0x8F : 0xBF;
            return within(1, low, high) && within(2, 0x80, 0xBF) && within(3, 0x80, 0xBF) ? 4 : 0;
        }
        return 0;
    }

    bool number(double& out) {
        const std::size_t start = at_;
        next('-');
        if (next('0')) {
        } else if (!digits()) {
            return false;
        }
        if (next('.') && !digits()) return false;
        if (next('e') || next('E')) {
            if (!next('+')) next('-');
            if (!digits()) return false;
        }
        out = std::strtod(s_.substr(start, at_ - start).c_str(), nullptr);
        return true;
    }

    bool digits() {
        const std::size_t start = at_;
        while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9')
            ++at_;
        return at_ > start;
    }

    bool word(const char* w) {
        const std::size_t n = std::strlen(w);
        if (s_.compare(at_, n, w) != 0) return false;
        at_ += n;
        return true;
    }

    bool next(char c) {
        if (at_ < s_.size() && s_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    void space() {
        while (at_ < s_.size() && std::strchr(" \t\r\n", s_[at_]) != nullptr && s_[at_] != '\0')
            ++at_;
    }

    const std::string& s_;
    std::size_t at_ = 0;
};

bool isUnit(double p) {
    return p >= 0.0 && p <= 1.0;
}

// The chances of one group's totals with the error's: each in [0, 1], at least never rising and
// at most never falling, the lowest total's at least and the highest's at most the chance of a
// result, and all of it summing to 1.
void checkChances(const std::vector<double>& p, const std::vector<double>& atLeast,
                  const std::vector<double>& atMost, double error, const std::string& text,
                  const std::string& answer) {
    if (!isUnit(error)) fail("p_error outside [0, 1]", text, answer);
    if (p.empty() || atLeast.size() != p.size() || atMost.size() != p.size())
        fail("no totals", text, answer);
    long double sum = error;
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (!isUnit(p[i]) || !isUnit(atLeast[i]) || !isUnit(atMost[i]))
            fail("a chance outside [0, 1]", text, answer);
        if (i > 0 && atLeast[i] > atLeast[i - 1]) fail("at_least rises", text, answer);
        if (i > 0 && atMost[i] < atMost[i - 1]) fail("at_most falls", text, answer);
        sum += p[i];
    }
    if (std::fabs(static_cast<double>(sum) - 1.0) > 1e-12)
        fail("chances sum away from 1", text, answer);
    const double results = 1.0 - error;
    if (error <= 0.5 ? atLeast[0] != results : std::fabs(atLeast[0] - results) > 1e-12)
        fail("the lowest total's at_least is not the chance of a result", text, answer);
    if (error <= 0.5 ? atMost.back() != results : std::fabs(atMost.back() - results) > 1e-12)
        fail("the highest total's at_most is not the chance of a result", text, answer);
}

void checkJson(const std::string& text, const std::string& answer, bool result) {
    Value v;
    if (!Reader(answer).document(v) || v.kind != Value::Kind::kObject)
        fail("the JSON does not read back", text, answer);
    const Value* error = v.get("error");
    if (!result) {
        if (error == nullptr || error->kind != Value::Kind::kString ||
            error->string.compare(0, 12, "Dice Error: ") != 0)
            fail("an error without its message", text, answer);
        return;
    }
    const Value* totals = v.get("totals");
    const Value* pError = v.get("p_error");
    const Value* low = v.get("min");
    const Value* high = v.get("max");
    if (error != nullptr || totals == nullptr || totals->kind != Value::Kind::kArray ||
        pError == nullptr || low == nullptr || high == nullptr)
        fail("odds without their fields", text, answer);
    std::vector<double> p;
    std::vector<double> atLeast;
    std::vector<double> atMost;
    double expected = low->number;
    for (const Value& row : totals->items) {
        const Value* total = row.get("total");
        const Value* chance = row.get("p");
        const Value* above = row.get("at_least");
        const Value* below = row.get("at_most");
        if (total == nullptr || chance == nullptr || above == nullptr || below == nullptr ||
            total->number != expected)
            fail("a totals row out of place", text, answer);
        expected += 1;
        p.push_back(chance->number);
        atLeast.push_back(above->number);
        atMost.push_back(below->number);
    }
    if (expected - 1 != high->number) fail("the totals do not end at max", text, answer);
    checkChances(p, atLeast, atMost, pError->number, text, answer);
}

// The questions beyond the table, for a target chosen by the first byte's upper bits across the
// totals and a little beyond: k of the groups reaching it, and the roll against itself. Each sums
// to 1 with the error's chance, and the one-total chance is the table's own.
void checkQuestions(const orvik::odds::Odds& odds, unsigned choice, const std::string& text) {
    const orvik::odds::Distribution& t = odds.results.totals;
    const std::int64_t span = t.highest() - t.lowest + 2;
    const std::int64_t target = t.lowest - 1 + span * static_cast<std::int64_t>(choice) / 63;
    const orvik::odds::TargetOdds reaching = orvik::odds::targetOdds(odds, target);
    const std::string what = "at least " + std::to_string(target);
    if (reaching.exactly.size() != static_cast<std::size_t>(odds.groups) + 1)
        fail("not a chance for every k", text, what);
    long double sum = odds.results.errorProbability;
    for (const double p : reaching.exactly) {
        if (!isUnit(p)) fail("a chance of k reaching outside [0, 1]", text, what);
        sum += p;
    }
    if (std::fabs(static_cast<double>(sum) - 1.0) > 1e-12)
        fail("the chances of k reaching sum away from 1", text, what);
    const std::vector<double> above = orvik::odds::atLeast(odds);
    const double tail = target <= t.lowest     ? above.front()
                        : target > t.highest() ? 0.0
                                               : above[static_cast<std::size_t>(target - t.lowest)];
    if (std::fabs(reaching.reach - tail) > 1e-12 * tail + 1e-300)
        fail("one total reaching is not the table's chance", text, what);

    const orvik::odds::Contest self = orvik::odds::contest(odds, odds);
    if (!isUnit(self.greater) || !isUnit(self.equal) || !isUnit(self.less) ||
        std::fabs(self.greater + self.equal + self.less + self.errorProbability - 1.0) > 1e-12 ||
        std::fabs(self.greater - self.less) > 1e-13 * self.greater + 1e-300)
        fail("the roll against itself", text, "vs itself");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > kMaxText + 1) return 0;
    const bool sneak = (data[0] & 1) != 0;
    const bool json = (data[0] & 2) != 0;
    const auto* bytes = reinterpret_cast<const char*>(data + 1);
    const std::string text(bytes, size - 1);
    orvik::features::OddsAnswers answers(sneak, json);
    std::string answer;
    if (text.find_first_of(std::string("\0\n", 2)) != std::string::npos) {
        // A text holding a NUL byte or a line feed is no roll text: refused, as the command's
        // rolling refuses it (the module itself would take a line feed as free text).
        const bool result = answers.answer(bytes, size - 1, answer);
        const std::string refusal = json ? orvik::print::refusalJson(text, orvik::kInvalidArguments)
                                         : std::string(orvik::kInvalidArguments);
        if (result || answer != refusal)
            fail("a NUL byte or line feed that is not refused", text, answer);
        return 0;
    }
    if (workOf(text, sneak) > kMaxWork) return 0;

    const bool result = answers.answer(bytes, size - 1, answer);
    if (json) {
        checkJson(text, answer, result);
    } else if (result ? answer.compare(0, text.size() + 1, text + "\n") != 0
                      : answer.compare(0, 12, "Dice Error: ") != 0) {
        fail("a text report that is neither odds nor an error", text, answer);
    }

    // The same odds, as numbers, and one roll of the text against them.
    std::vector<char> buffer(std::max(text.size() + 1, orvik::host::kMinHostBuffer), '\0');
    std::memcpy(buffer.data(), text.c_str(), text.size() + 1);
    orvik::seedRandom(static_cast<std::uint32_t>(size));
    const std::size_t capacity = orvik::host::assumedCapacity(buffer.data());
    if (sneak) {
        orvik::host::sneakAttack(buffer.data(), capacity);
    } else {
        orvik::host::diceMain(buffer.data(), capacity);
    }
    const std::string rolled = buffer.data();
    try {
        const orvik::odds::Odds odds =
            sneak ? orvik::odds::sneakOdds(text.c_str()) : orvik::odds::rollOdds(text.c_str());
        if (!result) fail("the odds are an error only once", text, answer);
        checkChances(odds.results.totals.probability, orvik::odds::atLeast(odds),
                     orvik::odds::atMost(odds), odds.results.errorProbability, text, answer);
        checkQuestions(odds, data[0] >> 2u, text);
        // Numbers wherever some total is a result, however small its chance.
        if (!(std::isfinite(odds.mean) && std::isfinite(odds.standardDeviation)))
            fail("a mean or deviation that is not a number", text, answer);
        // The totals follow the last " and gets ": free text may hold one too.
        const std::size_t at = rolled.rfind(" and gets ");
        if (rolled.compare(0, 6, "rolls ") == 0 && at != std::string::npos) {
            const long long total = std::strtoll(rolled.c_str() + at + 10, nullptr, 10);
            if (total < odds.results.totals.lowest || total > odds.results.totals.highest())
                fail("a rolled total the odds do not have", text, rolled);
        } else if (rolled != orvik::kInvalidArguments ||
                   !(odds.results.tooLow || odds.results.tooLong)) {
            fail("a refusal the odds do not allow", text, rolled);
        }
    } catch (const orvik::DiceError& e) {
        if (result) fail("the odds are an error only once", text, answer);
        // No answer could be a result, or the text itself is wrong: rolling says the same.
        if (rolled != e.what()) fail("the odds' error is not what rolling answers", text, rolled);
    }
    return 0;
}
