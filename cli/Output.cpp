#include "cli/Output.h"

#include "cli/Io.h"

namespace orvik::cli {

namespace {
constexpr std::size_t kChunk = 1 << 16;
}

Output::Output(int fd) : fd_(fd) {
    buffer_.reserve(kChunk);
}

void Output::line(const char* text, std::size_t length) {
    if (buffer_.size() + length + 1 > kChunk) flush();
    buffer_.insert(buffer_.end(), text, text + length);
    buffer_.push_back('\n');
}

void Output::flush() {
    if (buffer_.empty()) return;
    try {
        writeAll(fd_, buffer_.data(), buffer_.size());
    } catch (...) {
        buffer_.clear();  // never offered to the stream a second time
        throw;
    }
    buffer_.clear();
}

}  // namespace orvik::cli
