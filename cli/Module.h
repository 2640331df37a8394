// Finding and loading the dice module at run time, and asking it, the way a host does.
#ifndef ORVIK_CLI_MODULE_H
#define ORVIK_CLI_MODULE_H

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "features/RollAudit.h"
#include "host/RollRoutine.h"
#include "host/orvik.h"

namespace orvik::cli {

struct Module {
    OrvikLoadDllFn loadDll = nullptr;
    OrvikRollFn diceMain = nullptr;
    OrvikRollFn sneakAttack = nullptr;
    OrvikSeedFn seed = nullptr;
};

// Loads the module from path, or, when path is empty, from beside this program by its full path;
// on Linux then from the installed library directory, and last by name through the dynamic
// loader's search. On Windows nowhere else: neither a folder relative to the program's nor
// Windows' search for a bare name, which takes the current directory and PATH. On failure returns
// false and says in error why, for every place tried.
bool loadModule(const std::string& path, Module& module, std::string& error);

// Hands text to the module's routine in data, as a host does; returns the answer's length (0: no
// answer).
[[gnu::always_inline]] inline std::size_t ask(OrvikRollFn routine, std::vector<char>& data,
                                              const char* text, std::size_t length) {
    return host::handOver(data, text, length, [routine](char* buffer, std::size_t) {
        routine(nullptr, nullptr, buffer, nullptr, nullptr, nullptr);
    });
}

// One of the module's routines as the audit asks it.
class ModuleAnswers final : public features::AnswerSource {
  public:
    explicit ModuleAnswers(OrvikRollFn routine) : routine_(routine) {}
    std::string_view answer(const char* text, std::size_t length) override {
        const std::size_t answer = ask(routine_, data_, text, length);  // first: it may move data_
        return {data_.data(), answer};
    }

  private:
    OrvikRollFn routine_;
    std::vector<char> data_;
};

}  // namespace orvik::cli

#endif  // ORVIK_CLI_MODULE_H
