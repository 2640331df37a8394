#include "cli/Messages.h"

#include <cstdio>

#include "cli/Io.h"
#include "cli/Output.h"

namespace orvik::cli {

void say(const std::string& message) {
    // A file name or a text in the message reaches a terminal shown, as on standard output.
    static const bool terminal = isTerminal(kStderr);
    std::string line = "orvik: ";
    if (terminal)
        appendShown(line, message.data(), message.size());
    else
        line += message;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
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
