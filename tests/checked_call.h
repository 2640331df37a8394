// 32-bit x86 only: calls a routine exactly as a 32-bit Windows host does, arguments pushed on the
// stack, and measures what the routine took off it. Shared by the Windows host test and the i386
// Linux build's stdcall test, with what each of the module's routines must pop and answer.
// Defines checkedCall: include it in one source file of a program.
#ifndef ORVIK_TESTS_CHECKED_CALL_H
#define ORVIK_TESTS_CHECKED_CALL_H

#include <cstdint>

// Calls fn with count 32-bit arguments pushed as a caller does, and stores in leftOver the bytes
// still on the stack afterwards: 0 when the callee popped exactly its arguments, positive when it
// popped too few, negative when too many. Returns what fn returned in EAX. The assembler name is
// given, so that it is the same with Windows' leading underscore and without. The stack is 16-byte
// aligned at the call, as the i386 Linux compiler assumes.
extern "C" std::uint32_t checkedCall(const void* fn, const std::uint32_t* args, std::uint32_t count,
                                     std::int32_t* leftOver) __asm__("orvik_checkedCall");
asm(R"(
    .text
    .globl orvik_checkedCall
orvik_checkedCall:
    pushl %ebp
    movl  %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl  12(%ebp), %esi
    movl  16(%ebp), %ecx
    leal  (,%ecx,4), %eax
    subl  %eax, %esp
    andl  $-16, %esp
    addl  %eax, %esp
    movl  %esp, %ebx
1:  testl %ecx, %ecx
    jz    2f
    decl  %ecx
    pushl (%esi,%ecx,4)
    jmp   1b
2:  call  *8(%ebp)
    movl  %ebx, %ecx
    subl  %esp, %ecx
    movl  20(%ebp), %edx
    movl  %ecx, (%edx)
    leal  -12(%ebp), %esp
    popl  %edi
    popl  %esi
    popl  %ebx
    popl  %ebp
    ret
)");

namespace orvik::test {

// Arguments a host might pass in the ignored slots; the module must neither read nor pop them
// wrongly.
constexpr std::uint32_t kJunk = 0xDEADBEEFu;

inline std::uint32_t word(const void* p) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
}

struct Call {
    std::uint32_t returned;
    std::int32_t leftOver;
};

// A roll routine's six arguments, data third.
inline Call callRoutine(const void* routine, char* data) {
    const std::uint32_t args[6] = {kJunk, kJunk, word(data), kJunk, kJunk, kJunk};
    Call call{};
    call.returned = checkedCall(routine, args, 6, &call.leftOver);
    return call;
}

inline Call callOneArgument(const void* routine, std::uint32_t arg) {
    Call call{};
    call.returned = checkedCall(routine, &arg, 1, &call.leftOver);
    return call;
}

// Stand-ins with known conventions, to show that the check sees a wrong pop count.
inline std::int32_t __attribute__((cdecl)) popsNothing(void*, void*, char*, void*, void*, void*) {
    return 3;
}
inline std::int32_t __attribute__((stdcall)) popsSix(void*, void*, char*, void*, void*, void*) {
    return 3;
}

// Answers after OrvikSeed(1).
struct SeededRoll {
    const char* routine;
    const char* text;
    const char* expected;
};
constexpr SeededRoll kSeededRolls[] = {
    {"DiceMain", "d20", "rolls a d20 and gets 7."},
    {"DiceMain", "d20+5", "rolls a d20+5 and gets 12."},
    {"DiceMain", "d20+5x", "Dice Error: Invalid arguments in the attempted roll"},
    {"SneakAttack", "3d6 d8+2", "rolls ( sneak attack, +3d6 ) a d8+2 and gets 18."},
    {"SneakAttack", "3d6", "Dice Error: Invalid format for sneak attack roll"},
};

}  // namespace orvik::test

#endif  // ORVIK_TESTS_CHECKED_CALL_H
