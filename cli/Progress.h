// A long audit's progress on standard error at a terminal: one line, redrawn in place a few times
// a second once the rolling has gone on for about a second, and cleared before anything else is
// written.
#ifndef ORVIK_CLI_PROGRESS_H
#define ORVIK_CLI_PROGRESS_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace orvik::cli {

class ProgressLine {
  public:
    // Labelled "TEXT number", or what is read when number is 0; its clock starts now.
    explicit ProgressLine(std::uint64_t number);
    ~ProgressLine() { clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;
    ProgressLine(ProgressLine&&) = delete;
    ProgressLine& operator=(ProgressLine&&) = delete;

    // done of asked rolls, or of a log's bytes: drawn when it is time.
    void update(std::uint64_t done, std::uint64_t asked);
    // Takes the line away, if one is drawn.
    void clear();

  private:
    using Clock = std::chrono::steady_clock;
    std::uint64_t number_;
    Clock::time_point start_;
    Clock::time_point next_;  // the next draw
    std::size_t drawn_ = 0;   // the columns the line on the screen takes
    std::string wipe_;        // what takes the line away
};

}  // namespace orvik::cli

#endif  // ORVIK_CLI_PROGRESS_H
