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
