// Standard output: answers collect here and leave in large writes, and whatever is held is
// written before the command waits for more input, so that a program waiting on an answer gets it.
#ifndef ORVIK_CLI_OUTPUT_H
#define ORVIK_CLI_OUTPUT_H

#include <cstddef>
#include <vector>

namespace orvik::cli {

class Output {
  public:
    explicit Output(int fd);

    // text and a newline; writes when the buffer is full. Throws WriteError.
    void line(const char* text, std::size_t length);

    // Writes all that is held. Throws WriteError, so that the first failed write ends the run.
    void flush();

    // Forgets what is held, for when writing it is no longer wanted.
    void discard() { buffer_.clear(); }

  private:
    int fd_;
    std::vector<char> buffer_;
};

}  // namespace orvik::cli

#endif  // ORVIK_CLI_OUTPUT_H
