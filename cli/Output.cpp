#include "cli/Output.h"

#include "cli/Io.h"
#include "print/Format.h"

namespace orvik::cli {

namespace {
constexpr std::size_t kChunk = 1 << 16;
}  // namespace

Output::Output(int fd) : fd_(fd), terminal_(isTerminal(fd)), buffer_(kChunk) {}

void appendShown(std::string& out, const char* text, std::size_t length) {
    constexpr char kHex[] = "0123456789abcdef";
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    const auto hex = [&](const char* prefix, unsigned char c) {
        out += prefix;
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
    };
    for (std::size_t i = 0; i < length;) {
        const unsigned char c = bytes[i];
        std::size_t n = print::utf8Length(bytes, i, length);
        if (n == 0) {
            // Not UTF-8: a terminal of another character set may take 0x80 to 0x9F as controls.
            hex("\\x", c);
            n = 1;
        } else if ((c < 0x20 && c != '\n') || c == 0x7F) {
            out += '^';
            out += static_cast<char>(c ^ 0x40);  // ESC is ^[, DEL ^?
        } else if (n == 2 && c == 0xC2 && bytes[i + 1] < 0xA0) {
            hex("\\u00", bytes[i + 1]);  // U+0080 to U+009F, the C1 controls
        } else {
            out.append(text + i, n);
        }
        i += n;
    }
}

void Output::shownLine(const char* text, std::size_t length) {
    shown_.clear();
    appendShown(shown_, text, length);
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
