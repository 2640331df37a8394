// Standard output: answers collect here and leave in large writes, and whatever is held is
// written before the command waits for more input, so that a program waiting on an answer gets it.
#ifndef ORVIK_CLI_OUTPUT_H
#define ORVIK_CLI_OUTPUT_H

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace orvik::cli {

// Appends text as a terminal is to show it. A terminal acts on the control characters a free
// text or a file name can carry (an escape sequence can recolour it, move the cursor or retitle
// the window), so each is shown instead: C0 and DEL in caret notation (^[, ^?), U+0080 to U+009F
// as \u0080 to \u009f, and a byte that is not part of UTF-8 as \xHH. Line feeds stay: they part
// the lines of an odds report and of a message, and no roll text that reaches here holds one.
// Standard output and standard error (say) both show their text at a terminal so.
void appendShown(std::string& out, const char* text, std::size_t length);

class Output {
  public:
    // To a terminal, answers are shown (see line); to anything else, they go byte for byte.
    explicit Output(int fd);

    // text and a newline; writes when the buffer is full. Throws WriteError. Inline: a file of
    // short lines calls it once a line. To a terminal, as appendShown shows it.
    void line(const char* text, std::size_t length) {
        if (terminal_) return shownLine(text, length);
        if (held_ + length + 1 > buffer_.size()) makeRoom(length + 1);
        std::memcpy(buffer_.data() + held_, text, length);
        buffer_[held_ + length] = '\n';
        held_ += length + 1;
    }

    // Writes all that is held. Throws WriteError, so that the first failed write ends the run.
    void flush();

  private:
    // line() to a terminal.
    void shownLine(const char* text, std::size_t length);
    // Writes what is held, and grows the buffer for a line longer than it.
    void makeRoom(std::size_t length);

    int fd_;
    bool terminal_;
    std::vector<char> buffer_;
    std::size_t held_ = 0;
    std::string shown_;
};

}  // namespace orvik::cli

#endif  // ORVIK_CLI_OUTPUT_H
