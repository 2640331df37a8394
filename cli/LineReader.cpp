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

LineReader::LineReader(int fd, std::function<void()> beforeWait, bool byteOrderMark)
    : fd_(fd),
      beforeWait_(std::move(beforeWait)),
      buffer_(resized(nullptr, kChunk)),
      capacity_(kChunk),
      decoding_(byteOrderMark) {}

void LineReader::release() {
    buffer_.reset(resized(buffer_.release(), 1));
    capacity_ = 1;
    start_ = held_ = 0;
    atEnd_ = true;
    std::vector<char>().swap(raw_);
}

std::size_t LineReader::readMore() {
    const std::size_t from = held_;
    if (!decoding_) {
        const std::size_t got = readSome(fd_, buffer_.get() + held_, capacity_ - held_, stop_);
        bytesRead_ += got;
        held_ += got;
        return got;
    }
    if (raw_.empty()) raw_.resize(kChunk);
    // Until something reads: a mark's first bytes, or a unit's, are held back.
    for (;;) {
        const std::size_t got = readSome(fd_, raw_.data(), raw_.size(), stop_);
        bytesRead_ += got;
        decoded_.clear();
        marked_.read(raw_.data(), got, got == 0, decoded_);
        reserve(decoded_.size());
        std::memcpy(buffer_.get() + held_, decoded_.data(), decoded_.size());
        held_ += decoded_.size();
        if (marked_.plain()) {
            decoding_ = false;
            std::vector<char>().swap(raw_);
        }
        if (held_ > from || got == 0) return held_ - from;
    }
}

void LineReader::reserve(std::size_t room) {
    while (capacity_ - held_ < room) {
        if (capacity_ > static_cast<std::size_t>(-1) / 2) throw std::bad_alloc();
        buffer_.reset(resized(buffer_.release(), capacity_ * 2));
        capacity_ *= 2;
    }
}

void LineReader::makeRoom() {
    // Once at the front, a long line stays there: it is moved at most once.
    if (start_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + start_, held_ - start_);
        held_ -= start_;
        start_ = 0;
    }
    // Doubling keeps the buffer within twice the longest line, and its copies, if any, linear.
    reserve(1);
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
        const std::size_t got = readMore();
        if (got == 0) {
            atEnd_ = true;
            continue;
        }
        const void* end = std::memchr(buffer_.get() + from, '\n', got);
        if (end != nullptr) {
            give(static_cast<std::size_t>(static_cast<const char*>(end) - buffer_.get()) - start_,
                 text, length);
            return true;
        }
    }
}

}  // namespace orvik::cli
