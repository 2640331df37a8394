// The pieces of JSON that every printed roll, odds and audit share.
#ifndef ORVIK_PRINT_JSON_H
#define ORVIK_PRINT_JSON_H

#include <charconv>
#include <string>

#if defined(ORVIK_SHORTEST_DOUBLE)
#include "print/ShortestDouble.h"
#endif

namespace orvik::print {

// text as a JSON string, quotes included; bytes that are not UTF-8 become U+FFFD.
void appendJsonString(std::string& out, const std::string& text);

// The shortest text that reads back as the same number: exact for scripts, and fast.
template <typename Number>
void appendNumber(std::string& out, Number value) {
    char buffer[32];
    const std::to_chars_result end = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, end.ptr);
}

#if defined(ORVIK_SHORTEST_DOUBLE)
// Where the standard library has no std::to_chars for doubles, the same text.
inline void appendNumber(std::string& out, double value) {
    char buffer[kMaxShortestLength];
    out.append(buffer, writeShortest(buffer, value));
}
#endif

}  // namespace orvik::print

#endif  // ORVIK_PRINT_JSON_H
