// The library's features as calls that JavaScript makes into the compiled module: a front end,
// like the command, that only calls the library. Texts come in as UTF-8 with their lengths (a NUL
// byte is a byte of the text); each call that answers leaves its answer, the very text the
// command prints (one JSON object a line), for orvik_answer and orvik_answer_length to give.
#include <charconv>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <emscripten/emscripten.h>

#include "features/Audits.h"
#include "features/Faces.h"
#include "features/OddsAnswers.h"
#include "random/DiceRandom.h"

namespace {

using namespace orvik::features;

std::string answer;  // the last call's

std::string_view view(const char* text, std::size_t length) {
    return {text, length};
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

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* orvik_answer() {
    return answer.data();
}

EMSCRIPTEN_KEEPALIVE std::size_t orvik_answer_length() {
    return answer.size();
}

// Seeds the generator, as OrvikSeed and the command's --seed do.
EMSCRIPTEN_KEEPALIVE void orvik_seed(std::uint32_t seed) {
    run = std::make_unique<Rolls>(seed);
}

EMSCRIPTEN_KEEPALIVE std::uint32_t orvik_seed_in_use() {
    return run ? run->seed : 0;
}

// One roll, with its dice: the object `orvik --json [--sneak]` prints for it.
EMSCRIPTEN_KEEPALIVE void orvik_roll(const char* text, std::size_t length, int sneak) {
    if (!run) orvik_seed(0);
    (sneak != 0 ? run->sneak : run->plain).roll(text, length, answer);
}

// What --odds asks of the texts to come: kind 0, the table; 1, reaching target (decimal digits,
// after a '-' for a negative); 2, against the text versus. False for a target that is no number.
EMSCRIPTEN_KEEPALIVE int orvik_odds_ask(int sneak, int kind, const char* target,
                                        std::size_t targetLength, const char* versus,
                                        std::size_t versusLength) {
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
}

// The odds of one text, as asked: the object `orvik --odds --json` prints. True for a result.
EMSCRIPTEN_KEEPALIVE int orvik_odds(const char* text, std::size_t length) {
    if (!odds) orvik_odds_ask(0, 0, nullptr, 0, nullptr, 0);
    return odds->answer(text, length, answer) ? 1 : 0;
}

// The odds of one text as a page draws them: the answer is the object `orvik --odds --json
// [--sneak]` prints without its totals, and the totals' p, at_least and at_most are three columns
// of numbers, lowest total first, which orvik_columns and orvik_columns_length give. A table of
// 49,901 totals is then no 200,000 numbers written and read back. True for a result.
EMSCRIPTEN_KEEPALIVE int orvik_odds_columns(const char* text, std::size_t length, int sneak) {
    return oddsColumns(text, length, sneak != 0, answer, columns) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE const double* orvik_columns() {
    return columns.data();
}

EMSCRIPTEN_KEEPALIVE std::size_t orvik_columns_length() {
    return columns.size();
}

// An audit of rolls of text through the engine's own routine, rolls times in all (a whole
// number, as a double). True when the text can be rolled; otherwise orvik_audit_result gives the
// refusal.
EMSCRIPTEN_KEEPALIVE int orvik_audit_begin(const char* text, std::size_t length, int sneak,
                                           double rolls) {
    if (!run) orvik_seed(0);
    rolling.reset();
    engine = std::make_unique<EngineAnswers>(sneak != 0);
    rolling = std::make_unique<RollingAudit>(
        std::string(text, length), static_cast<std::uint64_t>(rolls), sneak != 0, *engine);
    return rolling->refused() ? 0 : 1;
}

// Up to n more rolls; returns the rolls done.
EMSCRIPTEN_KEEPALIVE double orvik_audit_roll(double n) {
    rolling->roll(static_cast<std::uint64_t>(n));
    return static_cast<double>(rolling->done());
}

// The audit of the rolls done: the object `orvik --audit --json` prints. True when it is
// unlikely.
EMSCRIPTEN_KEEPALIVE int orvik_audit_result() {
    const RollAudit result = rolling->result(true);
    answer = result.printed;
    return result.unlikely ? 1 : 0;
}

// A log's audit: from, when not empty, marks the host's lines; byRoller, each roller apart.
EMSCRIPTEN_KEEPALIVE void orvik_log_begin(const char* from, std::size_t fromLength, int byRoller) {
    LogOptions options;
    options.from.assign(from, fromLength);
    options.byRoller = byRoller != 0;
    logAudit = std::make_unique<LogAudit>(std::move(options));
}

// A piece of the log; last after the last piece. Returns the lines read so far.
EMSCRIPTEN_KEEPALIVE double orvik_log_read(const char* piece, std::size_t length, int last) {
    logAudit->readText(view(piece, length), last != 0);
    return static_cast<double>(logAudit->linesRead());
}

// The line that sums up the log, as the command writes it on standard error; returns the answers
// counted (none: nothing to test).
EMSCRIPTEN_KEEPALIVE double orvik_log_summary(const char* source, std::size_t length) {
    answer = logAudit->summary(std::string(source, length));
    return static_cast<double>(logAudit->answers());
}

// Each text's audit, one JSON object a line, as `orvik --audit --answers --json` prints them.
// True when any is unlikely.
EMSCRIPTEN_KEEPALIVE int orvik_log_audits() {
    answer.clear();
    const bool unlikely = logAudit->eachText(true, [](const std::string& printed) {
        answer += printed;
        answer += '\n';
    });
    return unlikely ? 1 : 0;
}

}  // extern "C"
