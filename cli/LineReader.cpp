#include "cli/LineReader.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "cli/Io.h"

namespace orvik::cli {

namespace {
constexpr std::size_t kChunk = 1 << 16;

char* resized(char* buffer, std::size_t size) {
    // NOLINTNEXTLINE(cppcoreguidelines-no-malloc): see buffer_
    auto* grown = static_cast<char*>(std::realloc(buffer, size));
    if (grown == nullptr) throw std::bad_alloc();
    return grown;
}
}  // namespace

LineReader::LineReader(int fd, std::function<void()> beforeWait)
    : fd_(fd),
      beforeWait_(std::move(beforeWait)),
      buffer_(resized(nullptr, kChunk)),
      capacity_(kChunk) {}

void LineReader::makeRoom() {
    // Once at the front, a long line stays there: it is moved at most once.
    if (start_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + start_, held_ - start_);
        held_ -= start_;
        start_ = 0;
    }
    // Doubling keeps the buffer within twice the longest line, and its copies, if any, linear.
    if (held_ == capacity_) {
        if (capacity_ > static_cast<std::size_t>(-1) / 2) throw std::bad_alloc();
        buffer_.reset(resized(buffer_.release(), capacity_ * 2));
        capacity_ *= 2;
    }
}

bool LineReader::nextAfterRead(const char*& text, std::size_t& length) {
    // next() has searched what is held for '\n': each read's bytes are searched once, as they
    // come, so that a long line arriving in small reads costs no more than its length.
    for (;;) {
        if (atEnd_) {
            const std::size_t left = held_ - start_;
            if (left == 0) return false;
            text = buffer_.get() + start_;
            length = left;
            start_ = held_;
            ++lineNumber_;
            return true;
        }
        makeRoom();
        if (beforeWait_) beforeWait_();
        const std::size_t from = held_;
        const std::size_t got = readSome(fd_, buffer_.get() + held_, capacity_ - held_);
        if (got == 0) {
            atEnd_ = true;
            continue;
        }
        held_ += got;
        const void* end = std::memchr(buffer_.get() + from, '\n', got);
        if (end != nullptr) {
            give(static_cast<std::size_t>(static_cast<const char*>(end) - buffer_.get()) - start_,
                 text, length);
            return true;
        }
    }
}

}  // namespace orvik::cli
