// Fuzzes the reading of a game's log. The first byte chooses a sneak attack (bit 0) and a name
// before the answer (bit 1); the rest is a text. Whatever the text: any line read as an answer ends
// with the very sentence the module writes for the text and totals read; and the module's own
// answer to the text, when it is a result, is read back as that text with its totals, as the
// host's under its name and not under a name a player types after their own.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/RollRoutine.h"
#include "random/DiceRandom.h"
#include "report/AnswerReader.h"
#include "report/Speaker.h"

namespace {

using orvik::LoggedAnswer;
using orvik::LogLine;
using orvik::readLogLine;

[[noreturn]] void fail(const char* what, const std::string& line, const LoggedAnswer& answer) {
    std::fprintf(stderr, "property broken: %s\n  line: \"%s\"\n  text read: \"%s\"\n", what,
                 line.c_str(), answer.text().c_str());
    std::abort();
}

// The sentence the module writes for what was read.
std::string sentenceOf(const LoggedAnswer& answer) {
    std::string main = answer.text();
    std::string s = "rolls ";
    if (answer.sneak) {
        const std::size_t space = main.find(' ');
        s += "( sneak attack, +" + main.substr(0, space) + " ) ";
        main = main.substr(space + 1);
    }
    if (!main.empty() && main[0] == 'd') s += "a ";
    s += main + " and gets ";
    for (std::size_t i = 0; i < answer.totals.size(); ++i)
        s += std::to_string(answer.totals[i]) + (i + 1 < answer.totals.size() ? ", " : ".");
    return s;
}

bool isWordCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

void checkRead(const std::string& line) {
    LoggedAnswer answer;
    if (readLogLine(line.data(), line.size(), answer) != LogLine::Answer) return;
    // A total too long to write back, or more totals than are kept.
    if (!answer.unreadable.empty() || answer.totalCount != answer.totals.size()) return;
    std::string trimmed = line;
    while (!trimmed.empty() &&
           (trimmed.back() == ' ' || trimmed.back() == '\t' || trimmed.back() == '\r'))
        trimmed.pop_back();
    const std::string sentence = sentenceOf(answer);
    if (trimmed.size() < sentence.size() ||
        trimmed.compare(trimmed.size() - sentence.size(), sentence.size(), sentence) != 0)
        fail("the line does not end with the sentence read", line, answer);
    const std::size_t start = trimmed.size() - sentence.size();
    if (start > 0 && isWordCharacter(trimmed[start - 1]))
        fail("the sentence read starts inside a word", line, answer);
    // Any line: its speaker read without reading past it.
    if (orvik::timeStampLength(line) > line.size())
        fail("a time stamp past the line", line, answer);
    orvik::spokenBy(answer.before, "<Ann>");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool sneak = (data[0] & 1) != 0;
    const bool named = (data[0] & 2) != 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    checkRead(text);
    if (text.find('\0') != std::string::npos || text.find('\n') != std::string::npos) return 0;

    std::vector<char> buffer(orvik::host::capacityFor(text.size()));
    std::copy(text.begin(), text.end(), buffer.begin());
    buffer[text.size()] = '\0';
    orvik::seedRandom(static_cast<std::uint32_t>(size));
    orvik::host::RollDice dice;
    if (sneak)
        orvik::host::sneakAttackKeepingDice(buffer.data(), buffer.size(), dice);
    else
        orvik::host::diceMainKeepingDice(buffer.data(), buffer.size(), dice);
    const std::string sentence(buffer.data());
    if (sentence.compare(0, 6, "rolls ") != 0) return 0;
    const std::string line = (named ? "[20:01] <Ann> " : "") + sentence;
    LoggedAnswer answer;
    if (readLogLine(line.data(), line.size(), answer) != LogLine::Answer)
        fail("the module's result is not read as an answer", line, answer);
    if (answer.text() != text || answer.sneak != sneak)
        fail("the text read is not the text rolled", line, answer);
    if (answer.totals.size() != static_cast<std::size_t>(dice.groups))
        fail("the totals read are not the groups rolled", line, answer);
    for (std::size_t g = 0; g < answer.totals.size(); ++g) {
        if (answer.totals[g] != dice.totals[g])
            fail("a total read is not the one rolled", line, answer);
    }
    checkRead(line);
    if (named && !orvik::spokenBy(answer.before, "<Ann>"))
        fail("the host's own line is not the host's", line, answer);
    // The same answer typed by a player after their own name.
    const std::string forged = "[20:01] <Mallory> <Ann> " + sentence;
    if (readLogLine(forged.data(), forged.size(), answer) == LogLine::Answer &&
        orvik::spokenBy(answer.before, "<Ann>"))
        fail("a player's line is the host's", forged, answer);
    return 0;
}
