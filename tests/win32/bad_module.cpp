// A module exported the naive way, with the compiler's stdcall decoration: the export check must
// reject it.
#include <cstdint>

extern "C" __declspec(dllexport) std::int32_t
    __stdcall DiceMain(void*, void*, char*, void*, void*, void*) {
    return 3;
}
