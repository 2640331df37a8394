#include "host/RollRoutine.h"

#include <chrono>
#include <cstring>

namespace orvik::host {

namespace {

constexpr std::int32_t kDone = 3;

// Copies message whole, or as much as fits with its terminator.
void writeMessage(char* data, std::size_t capacity, const char* message) noexcept {
    if (capacity == 0) return;
    std::size_t length = std::strlen(message);
    if (length >= capacity) length = capacity - 1;
    std::memcpy(data, message, length);
    data[length] = '\0';
}

// Build the record, then answer with its sentence or with the error that stopped it. The record
// is rolled before its sentence is written, so its draws are used even when the sentence does
// not fit.
template <class Make>
std::int32_t rollRoutine(char* data, std::size_t capacity, Make make) noexcept {
    if (data == nullptr) return kDone;
    try {
        const Orvik_Dice record = make(static_cast<const char*>(data));
        // One walk: the sentence is measured as it is written.
        if (!record.writeResults(data, capacity)) writeMessage(data, capacity, kInvalidArguments);
    } catch (const DiceError& error) {
        writeMessage(data, capacity, error.what());
    } catch (...) {
        // Memory ran out. Nothing may cross into the host, and an empty answer can never be
        // mistaken for a result.
        if (capacity != 0) data[0] = '\0';
    }
    return kDone;
}

// The record's numbers and totals, once it is rolled.
void keep(const Orvik_Dice& record, RollDice& dice) {
    dice.groups = record.nGroups;
    dice.dice = record.nDice;
    dice.sides = record.nSides;
    dice.modifier = record.modifier;
    std::memcpy(dice.totals, record.results,
                sizeof(std::int32_t) * static_cast<std::size_t>(record.nGroups));
}

}  // namespace

std::size_t assumedCapacity(const char* data) noexcept {
    if (data == nullptr) return 0;
    return capacityFor(std::strlen(data));
}

std::int32_t diceMain(char* data, std::size_t capacity) noexcept {
    return rollRoutine(data, capacity, [](const char* text) { return Orvik_Dice(text); });
}

std::int32_t sneakAttack(char* data, std::size_t capacity) noexcept {
    return rollRoutine(data, capacity, [](const char* text) { return makeSneakAttack(text); });
}

std::int32_t diceMainKeepingDice(char* data, std::size_t capacity, RollDice& dice) noexcept {
    return rollRoutine(data, capacity, [&dice](const char* text) {
        Orvik_Dice record(text, dice.faces);
        keep(record, dice);
        return record;
    });
}

std::int32_t sneakAttackKeepingDice(char* data, std::size_t capacity, RollDice& dice) noexcept {
    return rollRoutine(data, capacity, [&dice](const char* text) {
        dice.sneak.faces = dice.sneakFaces;
        Orvik_Dice record = makeSneakAttack(text, &dice.sneak, dice.faces);
        keep(record, dice);
        return record;
    });
}

std::uint32_t clockSeed() noexcept {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now).count();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(seconds));
}

}  // namespace orvik::host
