#include "cli/Output.h"

#include "cli/Io.h"

namespace orvik::cli {

namespace {
constexpr std::size_t kChunk = 1 << 16;
}

Output::Output(int fd) : fd_(fd), terminal_(isTerminal(fd)), buffer_(kChunk) {}

void Output::shownLine(const char* text, std::size_t length) {
    constexpr char kHex[] = "0123456789abcdef";
    shown_.clear();
    for (std::size_t i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\n') || c == 0x7F) {
            shown_ += '^';
            shown_ += static_cast<char>(c ^ 0x40);  // ESC is ^[, DEL ^?
        } else if (c == 0xC2 && i + 1 < length &&
                   (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80) {
            // The UTF-8 form of U+0080 to U+009F; 0xC2 is never the middle of a character.
            const auto low = static_cast<unsigned char>(text[++i]);
            shown_ += "\\u00";
            shown_ += kHex[low >> 4];
            shown_ += kHex[low & 0xF];
        } else {
            shown_ += static_cast<char>(c);
        }
    }
    shown_ += '\n';
    if (held_ + shown_.size() > buffer_.size()) makeRoom(shown_.size());
    std::memcpy(buffer_.data() + held_, shown_.data(), shown_.size());
    held_ += shown_.size();
}

void Output::makeRoom(std::size_t length) {
    flush();
    if (length > buffer_.size()) buffer_.resize(length);
}

void Output::flush() {
    if (held_ == 0) return;
    const std::size_t size = held_;
    held_ = 0;  // never offered to the stream a second time, even when the write fails
    writeAll(fd_, buffer_.data(), size);
}

}  // namespace orvik::cli
