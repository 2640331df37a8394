// orvik.dll as a 32-bit Windows host sees it: routines found by their bare names, called through
// stdcall pointers, each popping exactly its own arguments. Also linked against the import
// library, which must resolve to the same routines. Plain C++: no GoogleTest for MinGW.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "host/orvik.h"
#include "tests/checked_call.h"

namespace {

int failures = 0;
int checks = 0;

void expect(bool ok, const std::string& what) {
    ++checks;
    if (!ok) {
        ++failures;
        std::printf("FAIL: %s\n", what.c_str());
    }
}

using orvik::test::Call;
using orvik::test::callOneArgument;
using orvik::test::callRoutine;
using orvik::test::kJunk;
using orvik::test::word;

// A roll through a routine with the stack checked, in a buffer of the size a host must provide,
// followed by guard bytes the module must not touch.
std::string roll(const void* routine, const std::string& text, const std::string& label) {
    constexpr std::size_t kGuard = 64;
    const std::size_t capacity =
        text.size() + 1 > ORVIK_MIN_HOST_BUFFER ? text.size() + 1 : ORVIK_MIN_HOST_BUFFER;
    std::vector<char> buffer(capacity + kGuard, '\x5a');
    std::memcpy(buffer.data(), text.c_str(), text.size() + 1);
    const Call call = callRoutine(routine, buffer.data());
    expect(call.returned == 3, label + " \"" + text + "\" returns 3");
    expect(call.leftOver == 0,
           label + " pops its 24 bytes (left " + std::to_string(call.leftOver) + ")");
    bool guardIntact = true;
    for (std::size_t i = capacity; i < buffer.size(); ++i)
        guardIntact &= buffer[i] == '\x5a';
    expect(guardIntact, label + " \"" + text + "\" stays inside its buffer");
    return std::string(buffer.data(), strnlen(buffer.data(), capacity));
}

DWORD WINAPI rollOnFreshThread(LPVOID arg) {
    auto* routine = static_cast<const void*>(arg);
    char data[ORVIK_MIN_HOST_BUFFER] = "d20";
    callRoutine(routine, data);
    return std::strcmp(data, "rolls a d20 and gets 7.") == 0 ? 0 : 1;
}

}  // namespace

int main() {
    char dummy[ORVIK_MIN_HOST_BUFFER] = "";
    {
        const Call cdeclCall =
            callRoutine(reinterpret_cast<const void*>(&orvik::test::popsNothing), dummy);
        const Call stdcallCall =
            callRoutine(reinterpret_cast<const void*>(&orvik::test::popsSix), dummy);
        expect(cdeclCall.leftOver == 24, "the check sees a routine that pops nothing");
        expect(stdcallCall.leftOver == 0, "the check passes a routine that pops 24 bytes");
    }

    // As a host does it: load by name, look up the bare names.
    HMODULE module = LoadLibraryA("orvik.dll");
    expect(module != nullptr, "LoadLibrary(\"orvik.dll\")");
    if (module == nullptr) {
        std::printf("0 passed, 1 failed\n");
        return 1;
    }
    const char* names[] = {"LoadDll", "DiceMain", "SneakAttack", "OrvikSeed"};
    const void* found[4] = {};
    for (int i = 0; i < 4; ++i) {
        found[i] = reinterpret_cast<const void*>(GetProcAddress(module, names[i]));
        expect(found[i] != nullptr, std::string("GetProcAddress finds ") + names[i]);
    }
    for (const char* decorated : {"DiceMain@24", "_DiceMain@24", "LoadDll@4", "_SneakAttack@24"}) {
        expect(GetProcAddress(module, decorated) == nullptr,
               std::string("no decorated export ") + decorated);
    }
    if (failures != 0) {
        std::printf("%d passed, %d failed\n", checks - failures, failures);
        return 1;
    }
    const void* loadDll = found[0];
    const void* diceMain = found[1];
    const void* sneakAttack = found[2];
    const void* seed = found[3];

    // A host linked against the import library reaches the same routines.
    expect(reinterpret_cast<const void*>(&LoadDll) == loadDll, "import library: LoadDll");
    expect(reinterpret_cast<const void*>(&DiceMain) == diceMain, "import library: DiceMain");
    expect(reinterpret_cast<const void*>(&SneakAttack) == sneakAttack,
           "import library: SneakAttack");
    expect(reinterpret_cast<const void*>(&OrvikSeed) == seed, "import library: OrvikSeed");

    // The one-argument routines pop 4 bytes.
    Call call = callOneArgument(seed, 1u);
    expect(call.leftOver == 0, "OrvikSeed pops its 4 bytes");
    call = callOneArgument(loadDll, kJunk);
    expect(call.leftOver == 0, "LoadDll pops its 4 bytes");

    for (const orvik::test::SeededRoll& c : orvik::test::kSeededRolls) {
        const void* routine = std::strcmp(c.routine, "DiceMain") == 0 ? diceMain : sneakAttack;
        callOneArgument(seed, 1u);
        const std::string answer = roll(routine, c.text, c.routine);
        expect(answer == c.expected, std::string(c.routine) + " \"" + c.text + "\" gave \"" +
                                         answer + "\", wanted \"" + c.expected + "\"");
    }
    // An answer too long for the buffer that held the text is refused, inside the buffer.
    callOneArgument(seed, 1u);
    expect(roll(diceMain, "d20 " + std::string(600, 'x'), "DiceMain") ==
               "Dice Error: Invalid arguments in the attempted roll",
           "a sentence longer than its buffer is refused");

    // LoadDll seeds from the clock: its first roll matches a seed among the seconds around it.
    const std::time_t before = std::time(nullptr);
    callOneArgument(loadDll, kJunk);
    const std::string clocked = roll(diceMain, "3#d500", "DiceMain");
    const std::time_t after = std::time(nullptr);
    bool matched = false;
    for (std::time_t t = before; t <= after && !matched; ++t) {
        callOneArgument(seed, static_cast<std::uint32_t>(t));
        matched = roll(diceMain, "3#d500", "DiceMain") == clocked;
    }
    expect(matched, "LoadDll seeds from the clock (" + clocked + ")");

    // Each thread has its own generator, and a thread that never seeded starts from state 1.
    callOneArgument(seed, 42u);
    HANDLE thread =
        CreateThread(nullptr, 0, rollOnFreshThread, const_cast<void*>(diceMain), 0, nullptr);
    expect(thread != nullptr, "CreateThread");
    if (thread != nullptr) {
        WaitForSingleObject(thread, INFINITE);
        DWORD code = 1;
        GetExitCodeThread(thread, &code);
        CloseHandle(thread);
        expect(code == 0, "a fresh thread rolls from state 1");
    }
    const std::string afterThread = roll(diceMain, "d20", "DiceMain");
    callOneArgument(seed, 42u);
    expect(afterThread == roll(diceMain, "d20", "DiceMain"),
           "the thread left this thread's sequence alone");

    // The attach routine answers 1 for the thread reasons too (process attach is LoadLibrary's
    // success above); it is stdcall with three arguments.
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        reinterpret_cast<const char*>(module) + dos->e_lfanew);
    const void* entry =
        reinterpret_cast<const char*>(module) + nt->OptionalHeader.AddressOfEntryPoint;
    for (DWORD reason : {DWORD{DLL_THREAD_ATTACH}, DWORD{DLL_THREAD_DETACH}}) {
        const std::uint32_t args[3] = {word(module), reason, 0};
        std::int32_t leftOver = 0;
        const std::uint32_t answer = checkedCall(entry, args, 3, &leftOver);
        expect(answer == 1 && leftOver == 0,
               "attach routine, reason " + std::to_string(reason) + ", returns 1");
    }

    expect(FreeLibrary(module) != 0, "FreeLibrary");
    std::printf("%d passed, %d failed\n", checks - failures, failures);
    return failures == 0 ? 0 : 1;
}
