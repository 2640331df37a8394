// The library's features as calls that JavaScript makes into the compiled module: a front end,
// like the command, that only calls the library. Texts come in as UTF-8 with their lengths (a NUL
// byte is a byte of the text); each call that answers leaves its answer, the very text the
// command prints (one JSON object a line), for orvik_answer and orvik_answer_length to give.
// Memory running out is the one trouble a call meets, and no exception may cross into JavaScript:
// each call then answers kNoMemory (a null pointer for orvik_roll_dice), and leaves what came
// before as it was.
#include <charconv>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include <emscripten/emscripten.h>

#include "features/Faces.h"
#include "features/LogAudit.h"
#include "features/OddsAnswers.h"
#include "features/RollAudit.h"

namespace {

using namespace orvik::features;

constexpr int kNoMemory = -1;

std::string answer;  // the last call's

// call(), or kNoMemory when memory ran out on the way.
template <typename Call>
auto guarded(Call call) -> decltype(call()) {
    try {
        return call();
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

// The generator's seed, and a roll of each kind going on from it, as the command's one run does.
struct Rolls {
    std::uint32_t seed;
    FaceRolls plain;
    FaceRolls sneak;
    explicit Rolls(std::uint32_t from)
        : seed(from),
          plain(false, FaceRolls::Form::Json, from),
          sneak(true, FaceRolls::Form::Json, from) {}
};
std::unique_ptr<Rolls> run;

std::unique_ptr<OddsAnswers> odds;
std::vector<double> columns;  // the last table's, as orvik_odds_columns left them
std::unique_ptr<EngineAnswers> engine;
std::unique_ptr<RollingAudit> rolling;
std::unique_ptr<LogAudit> logAudit;

// The run, seeded with 0 until a seed is given.
Rolls& current() {
    if (!run) run = std::make_unique<Rolls>(0);
    return *run;
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* orvik_answer() {
    return answer.data();
}

EMSCRIPTEN_KEEPALIVE std::size_t orvik_answer_length() {
    return answer.size();
}

// Seeds the generator, as OrvikSeed and the command's --seed do.
EMSCRIPTEN_KEEPALIVE int orvik_seed(std::uint32_t seed) {
    return guarded([seed] {
        run = std::make_unique<Rolls>(seed);
        return 1;
    });
}

// One roll, with its dice: the object `orvik --json [--sneak]` prints for it.
EMSCRIPTEN_KEEPALIVE int orvik_roll(const char* text, std::size_t length, int sneak) {
    return guarded([=] {
        FaceRolls& roller = sneak != 0 ? current().sneak : current().plain;
        roller.roll(text, length, answer);
        return 1;
    });
}

// One roll, as orvik_roll, but its numbers left for JavaScript to build the same object of,
// without the JSON text, which takes most of a small roll's time to write and to read back. Returns
// the place of kRolledFields 32-bit integers, in this order (places unsigned):
enum Rolled {
    kAnswer,        // the place of the answer's bytes (UTF-8)
    kAnswerLength,  // and their count
    kResult,        // 1 for a result, which has the fields below; 0 for a dice error
    kSneak,         // 1 for a sneak attack, which has the sneak fields too
    kGroups,
    kDice,  // in each group
    kSides,
    kModifier,
    kTotals,  // the place of kGroups totals
    kFaces,   // the place of kDice faces a group, group after group
    kSneakTotal,
    kSneakDice,
    kSneakSides,
    kSneakModifier,
    kSneakFaces,  // the place of kSneakDice faces
    kRolledFields
};
EMSCRIPTEN_KEEPALIVE const std::int32_t* orvik_roll_dice(const char* text, std::size_t length,
                                                         int sneak) {
    static std::int32_t rolled[kRolledFields];
    const auto place = [](const void* p) {
        return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(p));
    };
    try {
        FaceRolls& roller = sneak != 0 ? current().sneak : current().plain;
        roller.roll(text, length);
        const orvik::print::RolledDice& dice = roller.dice();
        rolled[kAnswer] = place(roller.answer().data());
        rolled[kAnswerLength] = static_cast<std::int32_t>(roller.answer().size());
        rolled[kResult] = dice.result ? 1 : 0;
        rolled[kSneak] = dice.sneakAttack ? 1 : 0;
        rolled[kGroups] = dice.groups;
        rolled[kDice] = dice.dice;
        rolled[kSides] = dice.sides;
        rolled[kModifier] = dice.modifier;
        rolled[kTotals] = place(dice.totals);
        rolled[kFaces] = place(dice.faces);
        rolled[kSneakTotal] = dice.sneak.total;
        rolled[kSneakDice] = dice.sneak.dice;
        rolled[kSneakSides] = dice.sneak.sides;
        rolled[kSneakModifier] = dice.sneak.modifier;
        rolled[kSneakFaces] = place(dice.sneakFaces);
        return rolled;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// What --odds asks of the texts to come: kind 0, the table; 1, reaching target (decimal digits,
// after a '-' for a negative); 2, against the text versus. 0 for a target that is no number.
EMSCRIPTEN_KEEPALIVE int orvik_odds_ask(int sneak, int kind, const char* target,
                                        std::size_t targetLength, const char* versus,
                                        std::size_t versusLength) {
    return guarded([=] {
        Question question;
        if (kind == 1) {
            question.kind = Question::Kind::AtLeast;
            const std::from_chars_result read =
                std::from_chars(target, target + targetLength, question.target);
            if (read.ec != std::errc() || read.ptr != target + targetLength) return 0;
        } else if (kind == 2) {
            question.kind = Question::Kind::Versus;
            question.versus.assign(versus, versusLength);
        }
        odds = std::make_unique<OddsAnswers>(sneak != 0, true, std::move(question));
        return 1;
    });
}

// The odds of one text, as asked: the object `orvik --odds --json` prints. 1 for a result, 0 for
// a refusal.
EMSCRIPTEN_KEEPALIVE int orvik_odds(const char* text, std::size_t length) {
    return guarded([=] {
        if (!odds) odds = std::make_unique<OddsAnswers>(false, true);
        return odds->answer(text, length, answer) ? 1 : 0;
    });
}

// The odds of one text as a page draws them: the answer is the object `orvik --odds --json
// [--sneak]` prints without its totals, and the totals' p, at_least and at_most are three columns
// of numbers, lowest total first, which orvik_columns and orvik_columns_length give. A table of
// 49,901 totals is then no 200,000 numbers written and read back. 1 for a result, 0 for a
// refusal.
EMSCRIPTEN_KEEPALIVE int orvik_odds_columns(const char* text, std::size_t length, int sneak) {
    return guarded([=] { return oddsColumns(text, length, sneak != 0, answer, columns) ? 1 : 0; });
}

EMSCRIPTEN_KEEPALIVE const double* orvik_columns() {
    return columns.data();
}

EMSCRIPTEN_KEEPALIVE std::size_t orvik_columns_length() {
    return columns.size();
}

// An audit of rolls of text through the engine's own routine, rolls times in all (a whole
// number, as a double). 1 when the text can be rolled; 0 when it is refused, which
// orvik_audit_result then gives.
EMSCRIPTEN_KEEPALIVE int orvik_audit_begin(const char* text, std::size_t length, int sneak,
                                           double rolls) {
    rolling.reset();
    return guarded([=] {
        current();  // the generator seeded
        engine = std::make_unique<EngineAnswers>(sneak != 0);
        rolling = std::make_unique<RollingAudit>(std::string(text, length),
                                                 static_cast<std::uint64_t>(rolls), sneak != 0,
                                                 *engine, AuditForm::Json);
        return rolling->refused() ? 0 : 1;
    });
}

// Up to n more rolls; returns the rolls done.
EMSCRIPTEN_KEEPALIVE double orvik_audit_roll(double n) {
    return guarded([n] {
        if (!rolling->roll(static_cast<std::uint64_t>(n))) return double{kNoMemory};
        return static_cast<double>(rolling->done());
    });
}

// The audit of the rolls done: the object `orvik --audit --json` prints. 1 when it is unlikely.
EMSCRIPTEN_KEEPALIVE int orvik_audit_result() {
    return guarded([] {
        const RollAudit result = rolling->result();
        answer = result.printed;
        return result.unlikely ? 1 : 0;
    });
}

// A log's audit: from, when not empty, marks the host's lines; byRoller, each roller apart.
EMSCRIPTEN_KEEPALIVE int orvik_log_begin(const char* from, std::size_t fromLength, int byRoller) {
    logAudit.reset();
    return guarded([=] {
        LogOptions options;
        options.from.assign(from, fromLength);
        options.byRoller = byRoller != 0;
        logAudit = std::make_unique<LogAudit>(std::move(options), AuditForm::Json);
        return 1;
    });
}

// A piece of the log; last after the last piece. Returns the lines read so far.
EMSCRIPTEN_KEEPALIVE double orvik_log_read(const char* piece, std::size_t length, int last) {
    return guarded([=] {
        logAudit->readText(std::string_view(piece, length), last != 0);
        return static_cast<double>(logAudit->linesRead());
    });
}

// The line that sums up the log, as the command writes it on standard error; returns the answers
// counted (none: nothing to test).
EMSCRIPTEN_KEEPALIVE double orvik_log_summary(const char* source, std::size_t length) {
    return guarded([=] {
        answer = logAudit->summary(std::string(source, length));
        return static_cast<double>(logAudit->answers());
    });
}

// Each text's audit, one JSON object a line, as `orvik --audit --answers --json` prints them.
// 1 when any is unlikely.
EMSCRIPTEN_KEEPALIVE int orvik_log_audits() {
    return guarded([] {
        answer.clear();
        const bool unlikely = logAudit
                                  ->eachText([](const std::string& printed) {
                                      answer += printed;
                                      answer += '\n';
                                  })
                                  .unlikely;
        return unlikely ? 1 : 0;
    });
}

}  // extern "C"
