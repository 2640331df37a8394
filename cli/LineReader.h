// Standard input, or a file, line by line, as it arrives: "\n" or "\r\n" ends a line, and a
// last line without either still counts.
#ifndef ORVIK_CLI_LINEREADER_H
#define ORVIK_CLI_LINEREADER_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "features/LogBytes.h"

namespace orvik::cli {

class LineReader {
  public:
    // beforeWait runs before every read that may have to wait for input: the caller writes what
    // it owes, so that a program waiting on an answer is not kept waiting. With byteOrderMark, a
    // mark at the start of the input says how it is written, as editors that save UTF-16 mark
    // it, read as features::LogBytes reads a log (the page reads a log file the same way).
    LineReader(int fd, std::function<void()> beforeWait, bool byteOrderMark = false);

    // The next line, without its end, valid until the next call; false at end of input.
    // Throws ReadError, Interrupted (see stopWhen), and std::bad_alloc when a line outgrows
    // memory.
    // The common case, a whole line held, is inline: a file of short lines calls this once a
    // line.
    bool next(const char*& text, std::size_t& length) {
        const char* begin = buffer_.get() + start_;
        const void* end = std::memchr(begin, '\n', held_ - start_);
        if (end == nullptr) return nextAfterRead(text, length);
        give(static_cast<std::size_t>(static_cast<const char*>(end) - begin), text, length);
        return true;
    }

    // What it reads.
    int fd() const { return fd_; }

    // The number of the line next() last gave, from 1.
    std::uint64_t lineNumber() const { return lineNumber_; }

    // The bytes read so far, as they came (before any UTF-16 was read as UTF-8).
    std::uint64_t bytesRead() const { return bytesRead_; }

    // Lets go of the memory held, for good: no line is read after.
    void release();

    // Once stop is set, next() throws Interrupted, even part-way through a line or while input
    // is awaited (see readSome).
    void stopWhen(const std::atomic<bool>* stop) { stop_ = stop; }

  private:
    struct Free {
        void operator()(char* p) const { std::free(p); }  // NOLINT(cppcoreguidelines-no-malloc)
    };

    // Hands out the line of lineLength bytes at start_, and passes its '\n'.
    void give(std::size_t lineLength, const char*& text, std::size_t& length) {
        const char* begin = buffer_.get() + start_;
        start_ += lineLength + 1;
        ++lineNumber_;
        if (lineLength > 0 && begin[lineLength - 1] == '\r') --lineLength;
        text = begin;
        length = lineLength;
    }

    // next() once the buffer holds no whole line: reads until it does, or to the end of input.
    bool nextAfterRead(const char*& text, std::size_t& length);
    // Reads into the buffer after what is held, as UTF-8; 0 at the end of input.
    std::size_t readMore();
    // Room to read into after what is held: the unfinished line moved to the front, and the
    // buffer grown when that line fills it.
    void makeRoom();
    // At least room bytes free after what is held, the buffer doubled until there are.
    void reserve(std::size_t room);

    int fd_;
    std::function<void()> beforeWait_;
    const std::atomic<bool>* stop_ = nullptr;
    // malloc'd, so that a long line's buffer grows by realloc: in place where the system can,
    // without the old and the new both held, and with pages not yet read into left untouched.
    std::unique_ptr<char, Free> buffer_;
    std::size_t capacity_;
    std::size_t start_ = 0;  // the first byte not yet handed out
    std::size_t held_ = 0;   // bytes in the buffer
    bool atEnd_ = false;
    std::uint64_t lineNumber_ = 0;
    std::uint64_t bytesRead_ = 0;
    // Until the input is known to be plain bytes, what is read goes through marked_.
    bool decoding_;
    features::LogBytes marked_;
    std::vector<char> raw_;  // bytes as read, before marked_ reads them
    std::string decoded_;
};

}  // namespace orvik::cli

#endif  // ORVIK_CLI_LINEREADER_H
