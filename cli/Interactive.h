// The interactive prompt: what orvik does when a person types rolls at a terminal.
#ifndef ORVIK_CLI_INTERACTIVE_H
#define ORVIK_CLI_INTERACTIVE_H

#include <cstddef>
#include <cstdint>
#include <functional>

namespace orvik::cli {

class Output;

// True when standard input is a terminal (a console on Windows) and there is one to prompt on.
// Never true for a file or a pipe, so that batch output stays one answer line per input line.
bool wantPrompt();

// Answers one line, numbered from 1.
using LineRoller = std::function<void(const char* text, std::size_t length, std::uint64_t line)>;

// Shows a one-line hint, then reads rolls at the "orvik> " prompt until end of input or "quit",
// answering each line as soon as Enter is pressed; blank lines are skipped. libedit edits the
// line where it is built in and the terminal is not a dumb one; elsewhere the terminal's own line
// editing serves. out is written before every wait. Throws ReadError and WriteError.
void rollInteractively(bool sneak, Output& out, const LineRoller& roll);

}  // namespace orvik::cli

#endif  // ORVIK_CLI_INTERACTIVE_H
