#include "cli/Messages.h"

#include <cstdio>

namespace orvik::cli {

void say(const std::string& message) {
    std::fprintf(stderr, "orvik: %s\n", message.c_str());
}

int usageError(const std::string& message) {
    say(message + "\nTry 'orvik --help' for more information.");
    return kTrouble;
}

std::string noAnswer(const char* what, std::uint64_t number) {
    return std::string(what) + " " + std::to_string(number) +
           ": the module gave no answer (memory is the likely cause)";
}

}  // namespace orvik::cli
