// Finding and loading the dice module at run time, the way a host does.
#ifndef ORVIK_CLI_MODULE_H
#define ORVIK_CLI_MODULE_H

#include <string>

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

}  // namespace orvik::cli

#endif  // ORVIK_CLI_MODULE_H
