#include "print/Format.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace orvik::print {

void appendf(std::string& out, const char* format, ...) {
    char buffer[96];
    std::va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    out.append(buffer, static_cast<std::size_t>(std::clamp(n, 0, int{sizeof buffer} - 1)));
}

std::string number(std::int64_t value) {
    std::string s;
    appendf(s, "%" PRId64, value);
    return s;
}

std::string grouped(std::uint64_t n) {
    const std::string digits = std::to_string(n);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string countOf(std::uint64_t n, const char* one, const char* many) {
    return grouped(n) + " " + (n == 1 ? one : many);
}

std::string bar(double fraction, int cells) {
    static const char* const kEighths[] = {"", "▏", "▎", "▍", "▌", "▋", "▊", "▉"};
    const auto eighths = static_cast<long>(std::lround(fraction * cells * 8));
    std::string s;
    for (long i = 0; i < eighths / 8; ++i)
        s += "█";
    return s + kEighths[eighths % 8];
}

std::size_t utf8Length(const unsigned char* text, std::size_t i, std::size_t length) {
    const unsigned char c = text[i];
    if (c < 0x80) return 1;
    std::size_t n = 0;
    unsigned char low = 0x80;  // the bounds of the second byte, narrower after some leads
    unsigned char high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) low = 0xA0;   // no overlong forms
        if (c == 0xED) high = 0x9F;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (length - i < n || text[i + 1] < low || text[i + 1] > high) return 0;
    for (std::size_t k = 2; k < n; ++k) {
        if ((text[i + k] & 0xC0) != 0x80) return 0;
    }
    return n;
}

std::size_t displayWidth(const std::string& s) {
    // Count the UTF-8 lead bytes.
    return static_cast<std::size_t>(std::count_if(
        s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void pad(std::string& out, const std::string& s, std::size_t width) {
    out.append(width > displayWidth(s) ? width - displayWidth(s) : 0, ' ');
    out += s;
}

}  // namespace orvik::print
