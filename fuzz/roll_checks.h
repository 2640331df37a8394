// What every answer of a roll routine must satisfy, whatever text it was handed. Shared by the
// fuzz targets; a broken property prints the case and aborts, which libFuzzer records as a crash.
#ifndef ORVIK_FUZZ_ROLL_CHECKS_H
#define ORVIK_FUZZ_ROLL_CHECKS_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dice/Orvik_Dice.h"
#include "host/orvik.h"
#include "random/DiceRandom.h"

namespace orvik::fuzz {

inline constexpr char kResult[] = "rolls ";
inline constexpr char kError[] = "Dice Error: ";
inline constexpr std::size_t kGuard = 64;
inline constexpr unsigned char kGuardByte = 0xA5;

[[noreturn]] inline void fail(const char* what, const std::string& text, const std::string& answer,
                              std::size_t capacity) {
    std::fprintf(stderr,
                 "property broken: %s\n  text (%zu bytes): \"%s\"\n  capacity: %zu\n"
                 "  answer: \"%s\"\n",
                 what, text.size(), text.c_str(), capacity, answer.c_str());
    std::abort();
}

inline bool startsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// What a successful answer must look like: the text it repeats, how many totals it lists, and
// the smallest and largest total the roll allows.
struct Expected {
    std::string head;  // "rolls ... and gets "
    std::int32_t groups = 0;
    std::int64_t low = 0;
    std::int64_t high = 0;
    // A sneak attack whose combined total may fall below the 32-bit range is refused when it
    // does; whether it does depends on the dice.
    bool mayRefuse = false;
};

// The totals one group of a finished record can reach: every die showing 1, or every die showing
// its largest face.
inline void addGroupRange(const Orvik_Dice& record, Expected& e) {
    const std::int64_t dice = record.nDice;
    e.low += dice + record.modifier;
    e.high += dice * record.nSides + record.modifier;
}

// Built from records constructed independently from the same text; empty when the text is not a
// valid roll (the routine must then answer with a dice error).
inline std::optional<Expected> expectPlain(const std::string& text) {
    try {
        const Orvik_Dice record(text.c_str());
        Expected e;
        e.head = std::string(kResult) + (text[0] == 'd' ? "a " : "") + text + " and gets ";
        e.groups = record.nGroups;
        addGroupRange(record, e);
        return e;
    } catch (const DiceError&) {
        return std::nullopt;
    }
}

inline std::optional<Expected> expectSneak(const std::string& text) {
    const std::size_t space = text.find(' ');
    if (space == std::string::npos) return std::nullopt;
    const std::string sneakText = text.substr(0, space);
    const std::string mainText = text.substr(space + 1);
    try {
        const Orvik_Dice sneak(sneakText.c_str());
        const Orvik_Dice main(mainText.c_str());
        Expected e;
        e.head = std::string(kResult) + "( sneak attack, +" + sneakText + " ) " +
                 (mainText[0] == 'd' ? "a " : "") + mainText + " and gets ";
        e.groups = main.nGroups;
        // Only the sneak roll's first group is added, and it lies in the same range as any other.
        addGroupRange(sneak, e);
        addGroupRange(main, e);
        // Combined totals below the 32-bit range are refused rather than reported.
        if (e.low < INT32_MIN) {
            e.low = INT32_MIN;
            e.mayRefuse = true;
        }
        return e;
    } catch (const DiceError&) {
        return std::nullopt;
    }
}

// Reads "N, N, ..., N." and checks count and range; false when the tail has any other shape.
inline bool totalsFit(const std::string& tail, const Expected& e) {
    std::int32_t count = 0;
    std::size_t pos = 0;
    for (;;) {
        std::size_t start = pos;
        if (pos < tail.size() && tail[pos] == '-') ++pos;
        const std::size_t digits = pos;
        while (pos < tail.size() && tail[pos] >= '0' && tail[pos] <= '9')
            ++pos;
        if (pos == digits || pos - digits > 10) return false;
        // No leading zeros, and "-0" is not a number the sentence writes.
        if (tail[digits] == '0' && (pos - digits > 1 || digits != start)) return false;
        const long long value = std::stoll(tail.substr(start, pos - start));
        if (value < e.low || value > e.high) return false;
        ++count;
        if (pos < tail.size() && tail[pos] == '.')
            return pos + 1 == tail.size() && count == e.groups;
        if (tail.compare(pos, 2, ", ") != 0) return false;
        pos += 2;
    }
}

// Checks one answer. `valid` tells whether the text is a valid roll and what its result must be.
inline void checkAnswer(const std::string& text, const std::string& answer, std::size_t capacity,
                        const std::optional<Expected>& valid) {
    if (answer.size() >= capacity)
        fail("answer not terminated inside the capacity", text, answer, capacity);
    if (startsWith(answer, kResult)) {
        if (!valid) fail("a result for a text that is not a valid roll", text, answer, capacity);
        if (!startsWith(answer, valid->head))
            fail("the sentence does not repeat the text", text, answer, capacity);
        if (!totalsFit(answer.substr(valid->head.size()), *valid))
            fail("wrong number of totals, or a total out of range", text, answer, capacity);
        return;
    }
    // Messages are cut to the capacity, so a small buffer holds only part of "Dice Error: ".
    const std::string error = kError;
    if (capacity > error.size()) {
        if (!startsWith(answer, error))
            fail("neither a result nor a dice error", text, answer, capacity);
    } else if (error.compare(0, answer.size(), answer) != 0) {
        fail("a cut answer that is not part of a dice error", text, answer, capacity);
    }
}

// The messages a roll can end with.
inline bool knownMessage(const std::string& answer) {
    static const char* const messages[] = {
        "Dice Error: Invalid arguments in the attempted roll",
        "Dice Error: Maximum of 30 dice groups per roll.",
        "Dice Error: Maximum of 100 dice per roll.",
        "Dice Error: Maximum of 500 sides on any die.",
        "Dice Error: The maximum cumulative modifier is 1000",
        "Dice Error: The maximum cumulative multiplier is 10",
        "Dice Error: Invalid format for sneak attack roll",
    };
    return std::any_of(std::begin(messages), std::end(messages),
                       [&](const char* m) { return answer == m; });
}

// What a buffer of `capacity` bytes must hold, given the answer in a buffer that has room for
// any sentence: that answer when it fits, else the invalid-arguments message (a result that does
// not fit) or the same message, cut to the capacity.
inline std::string answerIn(const std::string& full, std::size_t capacity) {
    if (capacity == 0) return "";
    if (full.size() < capacity) return full;
    const std::string message =
        startsWith(full, kResult) ? "Dice Error: Invalid arguments in the attempted roll" : full;
    return message.substr(0, std::min(message.size(), capacity - 1));
}

// Runs routine over text in a buffer whose first `capacity` bytes it may write, followed by
// guard bytes, and checks that nothing after the capacity changed. Returns the answer.
template <class Call>
std::string runBounded(const std::string& text, std::size_t capacity, Call call) {
    const std::size_t held = std::max(capacity, text.size() + 1);
    std::vector<unsigned char> buffer(held + kGuard, kGuardByte);
    std::memcpy(buffer.data(), text.c_str(), text.size() + 1);
    const std::vector<unsigned char> before = buffer;
    call(reinterpret_cast<char*>(buffer.data()), capacity);
    if (!std::equal(buffer.begin() + static_cast<std::ptrdiff_t>(capacity), buffer.end(),
                    before.begin() + static_cast<std::ptrdiff_t>(capacity)))
        fail("a byte past the capacity changed", text, "", capacity);
    if (capacity == 0) return "";
    const char* data = reinterpret_cast<const char*>(buffer.data());
    return std::string(data, strnlen(data, capacity));
}

// Capacities to try for one input: the edges, the size every host buffer has, and one the input
// chooses, so that the fuzzer can walk the boundary where a sentence stops fitting.
inline std::vector<std::size_t> capacities(const std::string& text, const std::uint8_t* extra,
                                           std::size_t extraSize) {
    std::vector<std::size_t> out = {0, 1,
                                    std::max<std::size_t>(ORVIK_MIN_HOST_BUFFER, text.size() + 1)};
    if (extraSize >= 2) {
        const std::size_t chosen =
            static_cast<std::size_t>(extra[0]) | static_cast<std::size_t>(extra[1]) << 8;
        out.push_back(chosen % (text.size() + 480));
    } else {
        out.push_back(text.size() + 1);
    }
    return out;
}

// Splits a fuzz input: the text is everything before the first NUL, and what follows it
// chooses a capacity and a seed.
struct Input {
    std::string text;
    const std::uint8_t* extra = nullptr;
    std::size_t extraSize = 0;
    std::uint32_t seed = 1;
};

inline Input splitInput(const std::uint8_t* data, std::size_t size) {
    Input in;
    const void* nul = std::memchr(data, '\0', size);
    const std::size_t textSize =
        nul == nullptr ? size
                       : static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - data);
    in.text.assign(reinterpret_cast<const char*>(data), textSize);
    if (nul != nullptr) {
        in.extra = data + textSize + 1;
        in.extraSize = size - textSize - 1;
    }
    if (in.extraSize >= 6) std::memcpy(&in.seed, in.extra + 2, sizeof in.seed);
    return in;
}

// One call of an exported six-argument routine with a heap buffer of exactly what a host must
// provide, max(ORVIK_MIN_HOST_BUFFER, length + 1) bytes, followed by guard bytes.
inline void checkExported(OrvikRollFn routine, const std::string& text, std::uint32_t seed,
                          const std::optional<Expected>& valid, const std::string& full) {
    const std::size_t size = std::max<std::size_t>(ORVIK_MIN_HOST_BUFFER, text.size() + 1);
    std::unique_ptr<unsigned char[]> data(new unsigned char[size + kGuard]);
    std::memset(data.get(), kGuardByte, size + kGuard);
    std::memcpy(data.get(), text.c_str(), text.size() + 1);
    OrvikSeed(seed);
    char* buffer = reinterpret_cast<char*>(data.get());
    if (routine(nullptr, nullptr, buffer, nullptr, nullptr, nullptr) != 3)
        fail("the routine did not return 3", text, "", size);
    const std::string answer(buffer, strnlen(buffer, size));
    for (std::size_t i = size; i < size + kGuard; ++i)
        if (data[i] != kGuardByte)
            fail("a guard byte past the host buffer changed", text, answer, size);
    checkAnswer(text, answer, size, valid);
    if (answer != answerIn(full, size))
        fail("the exported routine answered differently", text, answer, size);
}

// The whole check of one fuzz input against one routine, first through the capacity-bounded
// core and then through the exported routine.
template <class Core>
void checkRoutine(const std::uint8_t* data, std::size_t size, Core core, OrvikRollFn exported,
                  std::optional<Expected> (*expect)(const std::string&)) {
    const Input in = splitInput(data, size);
    const std::optional<Expected> valid = expect(in.text);
    auto run = [&](std::size_t capacity) {
        return runBounded(in.text, capacity, [&](char* buffer, std::size_t c) {
            seedRandom(in.seed);
            if (core(buffer, c) != 3) fail("the routine did not return 3", in.text, "", c);
        });
    };
    // Room for any sentence: the text, the sneak attack's words and 30 totals.
    const std::size_t roomy = in.text.size() + 1024;
    const std::string full = run(roomy);
    checkAnswer(in.text, full, roomy, valid);
    if (startsWith(full, kResult)) {
        // checkAnswer has judged it.
    } else if (valid && !valid->mayRefuse) {
        fail("a valid roll was refused", in.text, full, roomy);
    } else if (valid && full != "Dice Error: Invalid arguments in the attempted roll") {
        fail("a total out of range refused with the wrong message", in.text, full, roomy);
    } else if (!knownMessage(full)) {
        fail("not one of the dice errors", in.text, full, roomy);
    }
    for (const std::size_t capacity : capacities(in.text, in.extra, in.extraSize)) {
        const std::string answer = run(capacity);
        if (capacity != 0) checkAnswer(in.text, answer, capacity, valid);
        if (answer != answerIn(full, capacity))
            fail("the answer depends on the capacity other than by fitting", in.text, answer,
                 capacity);
    }
    checkExported(exported, in.text, in.seed, valid, full);
}

}  // namespace orvik::fuzz

#endif  // ORVIK_FUZZ_ROLL_CHECKS_H
