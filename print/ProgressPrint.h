// How far a long audit has come, in words for a person following it.
#ifndef ORVIK_PRINT_PROGRESSPRINT_H
#define ORVIK_PRINT_PROGRESSPRINT_H

#include <cstdint>
#include <string>

namespace orvik::print {

// A front end joins what fits its room, most needed first.
struct Progress {
    std::string done;  // "123,456,789 of 1,000,000,000,000 rolls"
    std::string rate;  // "2.1 million a second"; empty until a roll and some time have passed
    std::string left;  // "about 5 days left", at that rate; empty with the rate
};

// done of asked rolls, after seconds.
Progress progressOf(std::uint64_t done, std::uint64_t asked, double seconds);

// done of asked bytes of a log read, after seconds; asked is 0 when the log's size is not known,
// and then nothing is said of the time left.
Progress logProgressOf(std::uint64_t done, std::uint64_t asked, double seconds);

}  // namespace orvik::print

#endif  // ORVIK_PRINT_PROGRESSPRINT_H
