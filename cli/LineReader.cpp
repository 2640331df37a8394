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
      encoding_(byteOrderMark ? Encoding::Unknown : Encoding::Bytes) {}

void LineReader::release() {
    buffer_.reset(resized(buffer_.release(), 1));
    capacity_ = 1;
    start_ = held_ = 0;
    atEnd_ = true;
    std::vector<unsigned char>().swap(raw_);
}

void LineReader::readMark() {
    // Enough bytes to tell a mark, or the end, or bytes that cannot begin one.
    static const unsigned char kUtf8[] = {0xEF, 0xBB, 0xBF};
    const auto* held = reinterpret_cast<const unsigned char*>(buffer_.get());
    const auto marked = [&](const unsigned char* mark, std::size_t size) {
        return held_ >= size && std::memcmp(held, mark, size) == 0;
    };
    const auto couldBe = [&](const unsigned char* mark, std::size_t size) {
        return held_ < size && std::memcmp(held, mark, held_) == 0;
    };
    static const unsigned char kLittle[] = {0xFF, 0xFE};
    static const unsigned char kBig[] = {0xFE, 0xFF};
    while (!atEnd_ && (couldBe(kUtf8, 3) || couldBe(kLittle, 2) || couldBe(kBig, 2))) {
        const std::size_t got = readSome(fd_, buffer_.get() + held_, capacity_ - held_);
        bytesRead_ += got;
        if (got == 0) atEnd_ = true;
        held_ += got;
        held = reinterpret_cast<const unsigned char*>(buffer_.get());
    }
    encoding_ = Encoding::Bytes;
    if (marked(kUtf8, 3)) {
        start_ = 3;
    } else if (marked(kLittle, 2) || marked(kBig, 2)) {
        encoding_ = held[0] == 0xFF ? Encoding::Utf16Le : Encoding::Utf16Be;
        // What followed the mark is UTF-16 too.
        const std::vector<unsigned char> rest(held + 2, held + held_);
        held_ = 0;
        fromUtf16(rest.data(), rest.size());
    }
}

namespace {

// c as UTF-8 at out; returns the bytes written (at most 4).
std::size_t putUtf8(char* out, std::uint32_t c) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

constexpr std::uint32_t kReplacement = 0xFFFD;
constexpr std::size_t kMostUtf8 = 4;  // bytes of one character

}  // namespace

std::size_t LineReader::fromUtf16(const unsigned char* raw, std::size_t size) {
    // Each unit gives at most 3 bytes of UTF-8, a pair 4: room for all of them first.
    reserve((pending_.size() + size) / 2 * 3);
    const bool little = encoding_ == Encoding::Utf16Le;
    std::string bytes = pending_;
    bytes.append(reinterpret_cast<const char*>(raw), size);
    pending_.clear();
    const auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<std::uint32_t>(little ? a | (b << 8) : (a << 8) | b);
    };
    char* out = buffer_.get() + held_;
    std::size_t written = 0;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const std::uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 3 >= bytes.size()) break;  // its pair's second unit is still to come
            const std::uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                written += putUtf8(out + written, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
            written += putUtf8(out + written, kReplacement);
            continue;
        }
        written += putUtf8(out + written, u >= 0xDC00 && u <= 0xDFFF ? kReplacement : u);
    }
    pending_.assign(bytes, i, std::string::npos);
    held_ += written;
    return written;
}

std::size_t LineReader::readMore() {
    const std::size_t from = held_;
    if (encoding_ == Encoding::Unknown) {
        readMark();
        if (held_ > from || atEnd_) return held_ - from;
    }
    if (encoding_ == Encoding::Bytes) {
        const std::size_t got = readSome(fd_, buffer_.get() + held_, capacity_ - held_);
        bytesRead_ += got;
        held_ += got;
        return got;
    }
    if (raw_.empty()) raw_.resize(kChunk);
    while (held_ == from) {
        const std::size_t got = readSome(fd_, reinterpret_cast<char*>(raw_.data()), raw_.size());
        bytesRead_ += got;
        if (got == 0) {
            // A unit cut short, or a pair's first unit alone, at the end.
            if (pending_.empty()) return 0;
            pending_.clear();
            reserve(kMostUtf8);
            held_ += putUtf8(buffer_.get() + held_, kReplacement);
            return held_ - from;
        }
        fromUtf16(raw_.data(), got);
    }
    return held_ - from;
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
