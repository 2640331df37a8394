// The command's exit statuses and its own messages on standard error, in one place.
#ifndef ORVIK_CLI_MESSAGES_H
#define ORVIK_CLI_MESSAGES_H

#include <cstdint>
#include <string>

namespace orvik::cli {

// Every answer a result; with --audit, no verdict unlikely.
constexpr int kSuccess = 0;
// Some answer a dice error; with --audit, some verdict unlikely.
constexpr int kFailure = 1;
// Trouble: a bad option or seed, a module that cannot be loaded or gives no answer, or whose dice
// cannot be followed, a failed read or write, memory running out.
constexpr int kTrouble = 2;
// With --audit, Ctrl-C (SIGINT): what was counted is reported; 128 + SIGINT, as a shell gives.
constexpr int kInterrupted = 130;

// "orvik: MESSAGE" on standard error; at a terminal, its control bytes shown as appendShown
// shows them.
void say(const std::string& message);

// A bad command line: says so, with where to look, and gives the status.
int usageError(const std::string& message);

// "<what> <number>: the module gave no answer (memory is the likely cause)", where what names
// the text ("TEXT" or "line") and number counts from 1.
std::string noAnswer(const char* what, std::uint64_t number);

}  // namespace orvik::cli

#endif  // ORVIK_CLI_MESSAGES_H
