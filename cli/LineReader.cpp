#include "cli/LineReader.h"

#include <cstring>
#include <utility>

#include "cli/Io.h"

namespace orvik::cli {

namespace {
constexpr std::size_t kChunk = 1 << 16;
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

std::size_t findNul(const std::vector<char>& buffer, std::size_t from, std::size_t to) {
    const void* nul = std::memchr(buffer.data() + from, '\0', to - from);
    return nul == nullptr ? kNone
                          : static_cast<std::size_t>(static_cast<const char*>(nul) - buffer.data());
}
}  // namespace

LineReader::LineReader(int fd, std::function<void()> beforeWait)
    : fd_(fd), beforeWait_(std::move(beforeWait)), buffer_(kChunk), nul_(kNone) {}

void LineReader::findNextNul() {
    nul_ = findNul(buffer_, start_, held_);
}

bool LineReader::nextAfterRead(const char*& text, std::size_t& length) {
    for (;;) {
        char* begin = buffer_.data() + start_;
        const std::size_t left = held_ - start_;
        if (std::memchr(begin, '\n', left) != nullptr) return next(text, length);
        if (atEnd_) {
            if (left == 0) return false;
            text = begin;
            length = left;
            start_ = held_;
            holdsNul_ = nul_ < held_;
            if (holdsNul_) findNextNul();
            ++lineNumber_;
            return true;
        }
        // Keep the unfinished line at the front, and make room for a line longer than we hold.
        std::memmove(buffer_.data(), begin, left);
        if (nul_ != kNone) nul_ -= start_;
        start_ = 0;
        held_ = left;
        if (held_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
        if (beforeWait_) beforeWait_();
        const std::size_t got = readSome(fd_, buffer_.data() + held_, buffer_.size() - held_);
        if (got == 0) atEnd_ = true;
        if (nul_ == kNone) nul_ = findNul(buffer_, held_, held_ + got);
        held_ += got;
    }
}

}  // namespace orvik::cli
