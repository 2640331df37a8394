// Standard input, line by line, as it arrives: "\n" or "\r\n" ends a line, and a last line
// without either still counts.
#ifndef ORVIK_CLI_LINEREADER_H
#define ORVIK_CLI_LINEREADER_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace orvik::cli {

class LineReader {
  public:
    // beforeWait runs before every read that may have to wait for input: the caller writes what
    // it owes, so that a program waiting on an answer is not kept waiting.
    LineReader(int fd, std::function<void()> beforeWait);

    // The next line, without its end, valid until the next call; false at end of input.
    // Throws ReadError.
    bool next(const char*& text, std::size_t& length);

    // Whether the line next() last gave holds a NUL byte. Known from one search of each read
    // rather than one of each line, which a file of short lines would feel.
    bool holdsNul() const { return holdsNul_; }

    // The number of the line next() last gave, from 1.
    std::uint64_t lineNumber() const { return lineNumber_; }

  private:
    // Hands out the line that ends before end, and finds the next NUL byte if it held one.
    void take(std::size_t end);

    int fd_;
    std::function<void()> beforeWait_;
    std::vector<char> buffer_;
    std::size_t start_ = 0;  // the first byte not yet handed out
    std::size_t held_ = 0;   // bytes in the buffer
    std::size_t nul_;        // the first NUL byte held at or after start_, or none
    bool atEnd_ = false;
    bool holdsNul_ = false;
    std::uint64_t lineNumber_ = 0;
};

}  // namespace orvik::cli

#endif  // ORVIK_CLI_LINEREADER_H
