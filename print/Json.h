// The pieces of JSON that every printed roll, odds and audit share.
#ifndef ORVIK_PRINT_JSON_H
#define ORVIK_PRINT_JSON_H

#include <charconv>
#include <string>

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

}  // namespace orvik::print

#endif  // ORVIK_PRINT_JSON_H
