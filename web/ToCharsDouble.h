// std::to_chars for doubles, which libc++ 13 (the WebAssembly build's) lacks, from
// print/ShortestDouble. Included ahead of every source of the WebAssembly build, so that the odds'
// JSON compiles unchanged there.
#ifndef ORVIK_WEB_TOCHARSDOUBLE_H
#define ORVIK_WEB_TOCHARSDOUBLE_H

#include <charconv>
#include <system_error>

#include "print/ShortestDouble.h"

namespace std {

inline to_chars_result to_chars(char* first, char* last, double value) {
    char text[orvik::print::kMaxShortestLength];
    const char* end = orvik::print::writeShortest(text, value);
    if (end - text > last - first) return {last, errc::value_too_large};
    for (const char* c = text; c != end; ++c)
        *first++ = *c;
    return {first, errc{}};
}

}  // namespace std

#endif  // ORVIK_WEB_TOCHARSDOUBLE_H
