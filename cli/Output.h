// Standard output: answers collect here and leave in large writes, and whatever is held is
// written before the command waits for more input, so that a program waiting on an answer gets it.
#ifndef ORVIK_CLI_OUTPUT_H
#define ORVIK_CLI_OUTPUT_H

#include <cstddef>
#include <cstring>
#include <vector>

namespace orvik::cli {

class Output {
  public:
    explicit Output(int fd);

    // text and a newline; writes when the buffer is full. Throws WriteError. Inline: a file of
    // short lines calls it once a line.
    void line(const char* text, std::size_t length) {
        if (held_ + length + 1 > buffer_.size()) makeRoom(length + 1);
        std::memcpy(buffer_.data() + held_, text, length);
        buffer_[held_ + length] = '\n';
        held_ += length + 1;
    }

    // Writes all that is held. Throws WriteError, so that the first failed write ends the run.
    void flush();

  private:
    // Writes what is held, and grows the buffer for a line longer than it.
    void makeRoom(std::size_t length);

    int fd_;
    std::vector<char> buffer_;
    std::size_t held_ = 0;
};

}  // namespace orvik::cli

#endif  // ORVIK_CLI_OUTPUT_H
