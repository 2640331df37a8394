// The library's features as calls that JavaScript makes into the compiled core: a front end,
// like the command, that only calls the library. Everything JavaScript needs to know of these
// calls is described here once: the calls, the layouts of what they leave in memory, their codes
// and the library's limits, which orvik_protocol hands over as JSON and web/api.js reads at start
// (web/test/protocol.test.mjs holds the two sides together).
//
// Texts come in as UTF-8 with their lengths (a NUL byte is a byte of the text). Each call takes
// all it needs: the only state kept from one call to the next is the generator's, which rolls go
// on from as the command's lines do, and the work a caller holds by its handle (an audit under
// way), which it ends with the matching call. Each call answers with a Reply, whose place it
// returns, valid until the next call. Memory running out is the one trouble a call meets, and no
// exception may cross into JavaScript: the reply's code is then kNoMemory, and what the call was
// making is let go (a log's reading, which stops at the line memory ran out at, says so instead).
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include <emscripten/emscripten.h>

#include "audit/Tests.h"
#include "features/Faces.h"
#include "features/LogAudit.h"
#include "features/LogBytes.h"
#include "features/OddsAnswers.h"
#include "features/RollAudit.h"
#include "features/RollText.h"
#include "features/Seed.h"
#include "print/AuditPrint.h"
#include "print/Json.h"

// Every call JavaScript makes, marked so that the linker keeps and exports it: the one way a call
// is exported.
#define ORVIK_WEB_CALL extern "C" EMSCRIPTEN_KEEPALIVE

namespace {

using namespace orvik::features;

// The calls, by name, as the core exports them; the test checks the exports against it.
// clang-format off
#define ORVIK_WEB_CALLS(X) \
    X(orvik_protocol) X(orvik_alloc) X(orvik_free) X(orvik_seed) X(orvik_roll) \
    X(orvik_roll_dice) X(orvik_odds) X(orvik_audit_begin) X(orvik_audit_text) X(orvik_audit_roll) \
    X(orvik_audit_keep) X(orvik_audit_result) X(orvik_audit_end) X(orvik_log_begin) \
    X(orvik_log_read) X(orvik_log_summary) X(orvik_log_audits) X(orvik_log_end)
// clang-format on
// The calls only the page makes (a seed as its field and link write it, how a text reads to a
// person, an audit's figures in words), built into the page's core alone (ORVIK_WEB_PAGE): the
// package's API has no use for them, and its core is 3 KB the smaller gzipped without them.
#define ORVIK_PAGE_CALLS(X) X(orvik_seed_text) X(orvik_reading) X(orvik_figure)

// What every call but orvik_protocol, orvik_alloc, orvik_free, orvik_roll_dice and the ends
// answers: doubles, which hold a place in memory and any count exactly.
#define ORVIK_REPLY(X)                                                  \
    X(code)       /* the call's code: kNoMemory, or as the call says */ \
    X(text)       /* the place of its text (UTF-8) */                   \
    X(textLength) /* and its bytes */                                   \
    X(second)     /* a second text, where the call says */              \
    X(secondLength)                                                     \
    X(count)   /* a count, where the call says */                       \
    X(handle)  /* the work begun, for the calls that go on with it */   \
    X(columns) /* the place of columnsLength doubles */                 \
    X(columnsLength)

// orvik_roll_dice's answer: 32-bit integers (places unsigned), for JavaScript to build the object
// `orvik --json` prints of, without the JSON text, which takes most of a small roll's time to
// write and to read back.
#define ORVIK_ROLLED(X)                                                        \
    X(answer)       /* the place of the answer's bytes (UTF-8) */              \
    X(answerLength) /* and their count */                                      \
    X(result)       /* 1 for a result, which has the fields below */           \
    X(sneak)        /* 1 for a sneak attack, which has the sneak fields too */ \
    X(groups)                                                                  \
    X(dice) /* in each group */                                                \
    X(sides)                                                                   \
    X(modifier)                                                                \
    X(totals) /* the place of groups totals */                                 \
    X(faces)  /* the place of dice faces a group, group after group */         \
    X(sneakTotal)                                                              \
    X(sneakDice)                                                               \
    X(sneakSides)                                                              \
    X(sneakModifier)                                                           \
    X(sneakFaces) /* the place of sneakDice faces */

// What orvik_odds asks of a text.
#define ORVIK_QUESTIONS(X) X(table) X(atLeast) X(versus)

// The figures of an audit that orvik_figure says as the reports say them.
#define ORVIK_FIGURES(X)                                  \
    X(pValue) /* "0.00104", "< 1e-300", with no "p = " */ \
    X(chance) /* that a sample catches a bias: "12%" */   \
    X(about)  /* a count of totals, roughly: "4,100" */   \
    X(eValue) /* "0.61", "2.3e6", "infinite" */

#define ORVIK_ENUMERATOR(name) name,
namespace reply {
enum Field { ORVIK_REPLY(ORVIK_ENUMERATOR) kFields };
}
namespace rolled {
enum Field { ORVIK_ROLLED(ORVIK_ENUMERATOR) kFields };
}
namespace question {
enum Kind { ORVIK_QUESTIONS(ORVIK_ENUMERATOR) kKinds };
}
namespace figure {
enum Kind { ORVIK_FIGURES(ORVIK_ENUMERATOR) kKinds };
}
#undef ORVIK_ENUMERATOR

// A reply's codes.
constexpr int kNoMemory = -1;
constexpr int kNo = 0;
constexpr int kYes = 1;

// The last call's reply, and the texts and numbers it points at: its text, second and columns.
double replied[reply::kFields];
std::string replyText;
std::string replySecond;
std::vector<double> replyColumns;

double place(const void* p) {
    return static_cast<double>(reinterpret_cast<std::uintptr_t>(p));
}

// The reply to a call: its code, with text, second and columns as the call left them.
const double* answer(int code, double count = 0, const void* handle = nullptr) {
    replied[reply::code] = code;
    replied[reply::text] = place(replyText.data());
    replied[reply::textLength] = static_cast<double>(replyText.size());
    replied[reply::second] = place(replySecond.data());
    replied[reply::secondLength] = static_cast<double>(replySecond.size());
    replied[reply::count] = count;
    replied[reply::handle] = place(handle);
    replied[reply::columns] = place(replyColumns.data());
    replied[reply::columnsLength] = static_cast<double>(replyColumns.size());
    return replied;
}

// call() makes the reply; memory running out on the way is kNoMemory, with nothing held.
template <typename Call>
const double* guarded(Call call) {
    try {
        replyText.clear();
        replySecond.clear();
        replyColumns.clear();
        return call();
    } catch (const std::bad_alloc&) {
        std::string().swap(replyText);
        std::string().swap(replySecond);
        std::vector<double>().swap(replyColumns);
        return answer(kNoMemory);
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

// The run, seeded with 0 until a seed is given.
Rolls& current() {
    if (!run) run = std::make_unique<Rolls>(0);
    return *run;
}

// The odds of the last question asked, kept while the same question comes again: a contest works
// out its other text's odds once, not once a text. Only a cache: every call asks in full.
struct Asked {
    bool sneak;
    int kind;
    std::int64_t target;
    std::string versus;
    std::unique_ptr<OddsAnswers> answers;
};
std::unique_ptr<Asked> asked;

OddsAnswers& answersTo(bool sneak, int kind, std::int64_t target, std::string_view versus) {
    if (!asked || asked->sneak != sneak || asked->kind != kind || asked->target != target ||
        asked->versus != versus) {
        asked.reset();
        Question q;
        if (kind == question::atLeast) {
            q.kind = Question::Kind::AtLeast;
            q.target = target;
        } else if (kind == question::versus) {
            q.kind = Question::Kind::Versus;
            q.versus.assign(versus);
        }
        auto made = std::make_unique<Asked>();
        made->sneak = sneak;
        made->kind = kind;
        made->target = target;
        made->versus.assign(versus);
        made->answers = std::make_unique<OddsAnswers>(sneak, true, std::move(q));
        asked = std::move(made);
    }
    return *asked->answers;
}

orvik::odds::Faces diceOf(int ideal) {
    return ideal != 0 ? orvik::odds::Faces::Ideal : orvik::odds::Faces::Orvik;
}

// Audits of rolls of several texts, one after another with the same options, given together as
// the command's run of them is: the text under way, and those kept.
struct Audits {
    bool sneak;
    std::uint64_t rolls;
    orvik::odds::Faces dice;
    EngineAnswers engine;  // every text's, as the command's module is
    std::unique_ptr<RollingAudit> current;
    std::vector<RollAudit> kept;
    Audits(bool sneakAttack, std::uint64_t rollsEach, orvik::odds::Faces faces)
        : sneak(sneakAttack), rolls(rollsEach), dice(faces), engine(sneakAttack) {}
};

// A log's audit under way, with how its pieces are read.
struct Logged {
    bool bytes;  // the pieces are a file's bytes, read as the command reads a file
    LogBytes reader;
    std::string read;  // a piece of bytes, read
    LogAudit audit;
    Logged(LogOptions options, bool fileBytes)
        : bytes(fileBytes), audit(std::move(options), AuditForm::Json) {}
};

// The protocol, as JSON: the calls, each layout's fields in order, the codes and the limits.
#define ORVIK_NAME(name) names.push_back(#name);
std::string protocol() {
    using orvik::print::appendJsonString;
    std::string out = "{";
    const auto list = [&](const char* key, const std::vector<const char*>& names) {
        appendJsonString(out, key);
        out += ":[";
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (i > 0) out += ',';
            appendJsonString(out, names[i]);
        }
        out += "],";
    };
    std::vector<const char*> names;
    ORVIK_WEB_CALLS(ORVIK_NAME)
    list("calls", names);
    names.clear();
    ORVIK_PAGE_CALLS(ORVIK_NAME)
    list("pageCalls", names);
    names.clear();
    ORVIK_REPLY(ORVIK_NAME)
    list("reply", names);
    names.clear();
    ORVIK_ROLLED(ORVIK_NAME)
    list("rolled", names);
    names.clear();
    ORVIK_QUESTIONS(ORVIK_NAME)
    list("questions", names);
    names.clear();
    ORVIK_FIGURES(ORVIK_NAME)
    list("figures", names);
    // The dice an audit tests against, as its JSON's "dice" names them, in the reports' words.
    out += "\"dice\":{";
    for (const bool ideal : {false, true}) {
        const orvik::print::DiceWords words = orvik::print::diceWords(ideal);
        out += ideal ? ",\"ideal\":{\"name\":" : "\"orvik\":{\"name\":";
        appendJsonString(out, words.name);
        out += ",\"means\":";
        appendJsonString(out, words.means);
        out += '}';
    }
    out += "},";
    const auto number = [&out](const char* key, auto value, const char* after) {
        appendJsonString(out, key);
        out += ':';
        orvik::print::appendNumber(out, value);
        out += after;
    };
    out += "\"codes\":{";
    number("noMemory", kNoMemory, ",");
    number("no", kNo, ",");
    number("yes", kYes, "},");
    number("mostSeed", kMostSeed, ",");
    number("defaultRolls", kDefaultRolls, ",");
    number("mostRolls", kMostRolls, ",");
    number("fewestForMean", orvik::audit::kFewestForMean, ",");
    number("fewestExpected", orvik::audit::kFewestExpected, "}");
    return out;
}
#undef ORVIK_NAME

// Seeds the generator, as OrvikSeed and the command's --seed do, from a seed the library takes
// (features/Seed): code kYes with the seed as the count, or kNo for a seed it refuses, the
// generator then left as it was.
const double* seeded(bool taken, std::uint32_t seed) {
    if (!taken) return answer(kNo);
    run = std::make_unique<Rolls>(seed);
    return answer(kYes, seed);
}

}  // namespace

// The protocol, as JSON ending in a NUL byte, read once at start (before the reply's layout is
// known, so not as a reply); null when memory ran out.
ORVIK_WEB_CALL const char* orvik_protocol() {
    try {
        static const std::string json = protocol();
        return json.c_str();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// A block of memory for JavaScript to put texts in, and its end: 0 when memory ran out.
ORVIK_WEB_CALL void* orvik_alloc(std::size_t size) {
    return std::malloc(size);  // NOLINT(cppcoreguidelines-no-malloc): freed by orvik_free
}

ORVIK_WEB_CALL void orvik_free(void* block) {
    std::free(block);  // NOLINT(cppcoreguidelines-no-malloc)
}

// A seed given as a number, as JavaScript's seed() gives one (seedFromNumber).
ORVIK_WEB_CALL const double* orvik_seed(double value) {
    return guarded([value] {
        std::uint32_t seed = 0;
        return seeded(seedFromNumber(value, seed), seed);
    });
}

#ifdef ORVIK_WEB_PAGE
// A seed written as text, as --seed, a page's field and its link write one (seedFromText).
ORVIK_WEB_CALL const double* orvik_seed_text(const char* text, std::size_t length) {
    return guarded([=] {
        std::uint32_t seed = 0;
        return seeded(seedFromText(std::string_view(text, length), seed), seed);
    });
}
#endif

// One roll, with its dice: the text is the object `orvik --json [--sneak]` prints for it.
ORVIK_WEB_CALL const double* orvik_roll(const char* roll, std::size_t length, int sneak) {
    return guarded([=] {
        FaceRolls& roller = sneak != 0 ? current().sneak : current().plain;
        roller.roll(roll, length, replyText);
        return answer(kYes);
    });
}

// One roll, as orvik_roll, its numbers left as ORVIK_ROLLED lays them out; 0 when memory ran out.
ORVIK_WEB_CALL const std::int32_t* orvik_roll_dice(const char* roll, std::size_t length,
                                                   int sneak) {
    static std::int32_t out[rolled::kFields];
    const auto at = [](const void* p) {
        return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(p));
    };
    try {
        FaceRolls& roller = sneak != 0 ? current().sneak : current().plain;
        roller.roll(roll, length);
        const orvik::print::RolledDice& dice = roller.dice();
        out[rolled::answer] = at(roller.answer().data());
        out[rolled::answerLength] = static_cast<std::int32_t>(roller.answer().size());
        out[rolled::result] = dice.result ? 1 : 0;
        out[rolled::sneak] = dice.sneakAttack ? 1 : 0;
        out[rolled::groups] = dice.groups;
        out[rolled::dice] = dice.dice;
        out[rolled::sides] = dice.sides;
        out[rolled::modifier] = dice.modifier;
        out[rolled::totals] = at(dice.totals);
        out[rolled::faces] = at(dice.faces);
        out[rolled::sneakTotal] = dice.sneak.total;
        out[rolled::sneakDice] = dice.sneak.dice;
        out[rolled::sneakSides] = dice.sneak.sides;
        out[rolled::sneakModifier] = dice.sneak.modifier;
        out[rolled::sneakFaces] = at(dice.sneakFaces);
        return out;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// The odds of one text, as asked: kind is an ORVIK_QUESTIONS value, the target of atLeast comes
// as its low and high 32 bits, the other text of versus as UTF-8. Code kYes for a result, kNo for
// a refusal. Without drawn, the text is the object `orvik --odds --json` prints. With drawn (a
// page, which draws the table), its table from the same working-out of the odds: the text is that
// object without its totals, the columns each total's p, then at_least, then at_most, lowest total
// first, and the second text the question's answer (none for the table alone); a table of 49,901
// totals is then no 200,000 numbers written as JSON and read back.
ORVIK_WEB_CALL const double* orvik_odds(const char* roll, std::size_t length, int sneak, int kind,
                                        std::uint32_t targetLow, std::int32_t targetHigh,
                                        const char* versus, std::size_t versusLength, int drawn) {
    return guarded([=] {
        const std::int64_t target = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(static_cast<std::uint32_t>(targetHigh)) << 32) | targetLow);
        OddsAnswers& answers =
            answersTo(sneak != 0, kind, target, std::string_view(versus, versusLength));
        const bool result = drawn != 0
                                ? answers.drawn(roll, length, replyText, replyColumns, replySecond)
                                : answers.answer(roll, length, replyText);
        return answer(result ? kYes : kNo);
    });
}

#ifdef ORVIK_WEB_PAGE
// How the page reads a text as a person wrote it: the text is what was read as free text
// (features::freeTextNotice), the second what Orvik takes instead of a notation it lacks
// (features::notationHint); either may be empty.
ORVIK_WEB_CALL const double* orvik_reading(const char* roll, std::size_t length, int sneak) {
    return guarded([=] {
        const std::string_view typed(roll, length);
        if (isRollText(roll, length)) {
            replyText = freeTextNotice(typed, sneak != 0);
            replySecond = notationHint(typed, sneak != 0);
        }
        return answer(kYes);
    });
}

// An audit's figure as the reports say it: kind is an ORVIK_FIGURES value, the text its words.
ORVIK_WEB_CALL const double* orvik_figure(int kind, double value) {
    return guarded([=] {
        using namespace orvik::print;
        if (kind == figure::pValue) {
            replyText = pFigure(value);
        } else if (kind == figure::chance) {
            replyText = percent(value);
        } else if (kind == figure::about) {
            replyText = about(static_cast<std::uint64_t>(value));
        } else {
            replyText = eText(value);
        }
        return answer(kYes);
    });
}
#endif

// Audits of rolls through the engine's own routine, of texts one after another (orvik_audit_text
// for each, then orvik_audit_keep), rolls times each (a whole number, as a double), from the
// generator's state, tested against ideal dice or Orvik's, and given together (orvik_audit_result):
// the command's `orvik --audit [--sneak] [--ideal-dice] --rolls N TEXT...`. The handle goes on
// with them.
ORVIK_WEB_CALL const double* orvik_audit_begin(int sneak, double rolls, int ideal) {
    return guarded([=] {
        auto audits =
            std::make_unique<Audits>(sneak != 0, static_cast<std::uint64_t>(rolls), diceOf(ideal));
        return answer(kYes, 0, audits.release());
    });
}

// The next text, whose rolls begin: code kYes when it can be rolled, kNo when the module refuses
// it, which its audit then says.
ORVIK_WEB_CALL const double* orvik_audit_text(Audits* audits, const char* roll,
                                              std::size_t length) {
    return guarded([=] {
        current();  // the generator seeded
        audits->current.reset();
        audits->current =
            std::make_unique<RollingAudit>(std::string(roll, length), audits->rolls, audits->sneak,
                                           audits->engine, AuditForm::Json, audits->dice);
        return answer(audits->current->refused() ? kNo : kYes);
    });
}

// Up to n more rolls of the text; the count is its rolls done.
ORVIK_WEB_CALL const double* orvik_audit_roll(Audits* audits, double n) {
    return guarded([=] {
        RollingAudit& rolling = *audits->current;
        if (!rolling.roll(static_cast<std::uint64_t>(n))) return answer(kNoMemory);
        return answer(kYes, static_cast<double>(rolling.done()));
    });
}

// The text's audit of the rolls done, kept to be given with the others; its rolling is let go.
ORVIK_WEB_CALL const double* orvik_audit_keep(Audits* audits) {
    return guarded([=] {
        audits->kept.push_back(audits->current->result());
        audits->current.reset();
        return answer(kYes);
    });
}

// The audits kept, given together (features::giveTogether), each verdict adjusted among the
// others': the text is their objects, one a line, as `orvik --audit --json` prints them; the
// second the verdict on them all, as the command writes it after their reports (none for one).
// Code kYes when some audit is unlikely.
ORVIK_WEB_CALL const double* orvik_audit_result(Audits* audits) {
    return guarded([=] {
        const AuditsVerdict verdict = giveTogether(audits->kept, AuditForm::Json);
        for (const RollAudit& audit : audits->kept) {
            replyText += audit.printed;
            replyText += '\n';
        }
        replySecond = verdict.headline;
        return answer(verdict.unlikely ? kYes : kNo);
    });
}

ORVIK_WEB_CALL void orvik_audit_end(Audits* audits) {
    delete audits;  // NOLINT(cppcoreguidelines-owning-memory): made by orvik_audit_begin
}

// A log's audit: from, when not empty, marks the host's lines; byRoller, each roller apart;
// bytes, the pieces are a file's bytes, read as the command reads a file (features::LogBytes),
// rather than UTF-8 text; ideal, against ideal dice rather than Orvik's. The handle goes on with
// it.
ORVIK_WEB_CALL const double* orvik_log_begin(const char* from, std::size_t fromLength, int byRoller,
                                             int bytes, int ideal) {
    return guarded([=] {
        LogOptions options;
        options.from.assign(from, fromLength);
        options.byRoller = byRoller != 0;
        options.dice = diceOf(ideal);
        auto log = std::make_unique<Logged>(std::move(options), bytes != 0);
        return answer(kYes, 0, log.release());
    });
}

// A piece of the log; last after the last piece. Code kYes, the count the lines read so far; or
// kNo when memory ran out at the line after those: the lines before it stand, as the command's
// audit stops there, what can be worked out again is let go, and no more is read.
ORVIK_WEB_CALL const double* orvik_log_read(Logged* log, const char* piece, std::size_t length,
                                            int last) {
    return guarded([=] {
        try {
            if (log->bytes) {
                log->read.clear();
                log->reader.read(piece, length, last != 0, log->read);
                log->audit.readText(log->read, last != 0);
            } else {
                log->audit.readText(std::string_view(piece, length), last != 0);
            }
        } catch (const std::bad_alloc&) {
            std::string().swap(log->read);
            return answer(kNo, static_cast<double>(log->audit.linesRead()));
        }
        return answer(kYes, static_cast<double>(log->audit.linesRead()));
    });
}

// The line that sums up the log, as the command writes it on standard error: the text. The count
// is the answers counted (none: nothing to test).
ORVIK_WEB_CALL const double* orvik_log_summary(const Logged* log, const char* source,
                                               std::size_t length) {
    return guarded([=] {
        replyText = log->audit.summary(std::string(source, length));
        return answer(kYes, static_cast<double>(log->audit.answers()));
    });
}

// Each text's audit, one JSON object a line, as `orvik --audit --answers --json` prints them: the
// text; the second, the verdict on them all (LogVerdict::headline: how many are unlikely, each
// p-value adjusted among the others', and the whole log's anytime figure), as the command writes
// it after their reports. Code kYes when any is unlikely. The count is the roll texts some audit
// of which memory ran out for (LogAudit::untested), each said so in its place.
ORVIK_WEB_CALL const double* orvik_log_audits(const Logged* log) {
    return guarded([=] {
        const LogVerdict verdict = log->audit.eachText([](const std::string& printed) {
            replyText += printed;
            replyText += '\n';
        });
        replySecond = verdict.headline;
        return answer(verdict.unlikely ? kYes : kNo, static_cast<double>(log->audit.untested()));
    });
}

// Lets go of all the log's audit held.
ORVIK_WEB_CALL void orvik_log_end(Logged* log) {
    delete log;  // NOLINT(cppcoreguidelines-owning-memory): made by orvik_log_begin
}
