// The interactive prompt: what orvik does when a person types rolls at a terminal.
#ifndef ORVIK_CLI_INTERACTIVE_H
#define ORVIK_CLI_INTERACTIVE_H

#include <cstddef>
#include <functional>

namespace orvik::cli {

// True when standard input is a terminal and there is a terminal to prompt on. Never true for a
// file or a pipe, so that batch output stays one answer line per input line.
bool wantPrompt();

// Answers one line; returns false when the answer could not be written, which ends the session.
using LineRoller = std::function<bool(const char* text, std::size_t length)>;

// Shows a one-line hint, then reads rolls at a prompt, with line editing and history, until end
// of input or "quit". Blank lines are skipped. Returns false if reading failed.
bool rollInteractively(bool sneak, const LineRoller& roll);

}  // namespace orvik::cli

#endif  // ORVIK_CLI_INTERACTIVE_H
