// A first WebAssembly build of the engine and the odds: one roll and one odds report, called from
// JavaScript (probe.mjs). The web module proper will replace it.
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "dice/DiceError.h"
#include "host/orvik.h"
#include "odds/Odds.h"
#include "odds/Report.h"

extern "C" {

// Rolls text as a host does, through DiceMain, with the generator seeded first unless seed is 0,
// and returns the answer.
const char* orvikProbeRoll(std::uint32_t seed, const char* text) {
    static std::vector<char> data;
    const std::size_t length = std::strlen(text);
    data.assign(length + 1 > ORVIK_MIN_HOST_BUFFER ? length + 1 : ORVIK_MIN_HOST_BUFFER, '\0');
    std::memcpy(data.data(), text, length);
    if (seed != 0) OrvikSeed(seed);
    DiceMain(nullptr, nullptr, data.data(), nullptr, nullptr, nullptr);
    return data.data();
}

// The odds of text as one line of JSON, or its refusal: what `orvik --odds --json TEXT` prints.
const char* orvikProbeOddsJson(const char* text) {
    static std::string json;
    try {
        json = orvik::odds::formatJson(text, orvik::odds::rollOdds(text));
    } catch (const orvik::DiceError& error) {
        json = orvik::odds::formatJsonError(text, error.what());
    }
    return json.c_str();
}

// The milliseconds formatJson takes for text's odds, worked out beforehand: the JSON alone.
double orvikProbeJsonMilliseconds(const char* text) {
    const orvik::odds::Odds odds = orvik::odds::rollOdds(text);
    const auto start = std::chrono::steady_clock::now();
    const std::string json = orvik::odds::formatJson(text, odds);
    const std::chrono::duration<double, std::milli> taken =
        std::chrono::steady_clock::now() - start;
    return json.empty() ? 0.0 : taken.count();
}

}  // extern "C"
