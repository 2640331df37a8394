#include "cli/Output.h"

#include "cli/Io.h"

namespace orvik::cli {

namespace {
constexpr std::size_t kChunk = 1 << 16;
}

Output::Output(int fd) : fd_(fd), buffer_(kChunk) {}

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
