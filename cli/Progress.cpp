#include "cli/Progress.h"

#include <cstdio>
#include <string>

#include "cli/Io.h"
#include "print/ProgressPrint.h"

namespace orvik::cli {

namespace {

constexpr std::chrono::milliseconds kFirst{1000};  // a shorter audit shows nothing
constexpr std::chrono::milliseconds kEvery{250};
constexpr std::size_t kAssumedColumns = 80;

// Standard error is unbuffered: one write each, and a failed one changes nothing.
void put(const std::string& s) {
    std::fwrite(s.data(), 1, s.size(), stderr);
}

}  // namespace

ProgressLine::ProgressLine(std::uint64_t number)
    : number_(number), start_(Clock::now()), next_(start_ + kFirst) {}

void ProgressLine::update(std::uint64_t done, std::uint64_t asked) {
    const Clock::time_point now = Clock::now();
    if (now < next_) return;
    next_ = now + kEvery;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const print::Progress p = number_ > 0 ? print::progressOf(done, asked, seconds)
                                          : print::logProgressOf(done, asked, seconds);
    // The line stays within one row, the last column left free, so that "\r" can redraw it: what
    // does not fit goes, the time left last. Every character of it takes one column.
    std::size_t columns = terminalColumns(kStderr);
    if (columns == 0) columns = kAssumedColumns;
    const std::size_t room = columns - 1;
    const std::string head =
        (number_ > 0 ? "orvik: TEXT " + std::to_string(number_) : std::string("orvik: the log")) +
        ": " + p.done;
    std::string line = head;
    if (!p.rate.empty()) {
        line = head + ", " + p.rate + ", " + p.left;
        if (line.size() > room) line = head + ", " + p.left;
    }
    if (line.size() > room) line = head.substr(0, room);
    // Spaces wipe what a longer line before left.
    if (line.size() < drawn_) line.append(drawn_ - line.size(), ' ');
    put("\r" + line);
    drawn_ = line.size();
    // The whole row: the terminal may echo a ^C after the line. Made now, so that clearing
    // needs no memory.
    wipe_ = "\r" + std::string(room > drawn_ ? room : drawn_, ' ') + "\r";
}

void ProgressLine::clear() {
    if (drawn_ == 0) return;
    put(wipe_);
    drawn_ = 0;
}

}  // namespace orvik::cli
