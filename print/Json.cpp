#include "print/Json.h"

#include <cstddef>

namespace orvik::print {

void appendJsonString(std::string& out, const std::string& text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    out += '"';
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = s[i];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (c < 0x20 || c == 0x7F) {
            static const char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
            ++i;
            continue;
        }
        // The length of a well-formed sequence at i, or 0.
        std::size_t length = 0;
        auto follows = [&](std::size_t k, unsigned char low, unsigned char high) {
            return i + k < n && s[i + k] >= low && s[i + k] <= high;
        };
        if (c < 0x80) {
            length = 1;
        } else if (c >= 0xC2 && c <= 0xDF) {
            length = follows(1, 0x80, 0xBF) ? 2 : 0;
        } else if (c >= 0xE0 && c <= 0xEF) {
            const unsigned char low = c == 0xE0 ? 0xA0 : 0x80, high = c == 0xED ? 0x9F : 0xBF;
            length = follows(1, low, high) && follows(2, 0x80, 0xBF) ? 3 : 0;
        } else if (c >= 0xF0 && c <= 0xF4) {
            const unsigned char low = c == 0xF0 ? 0x90 : 0x80, high = c == 0xF4 ? 0x8F : 0xBF;
            length =
                follows(1, low, high) && follows(2, 0x80, 0xBF) && follows(3, 0x80, 0xBF) ? 4 : 0;
        }
        if (length == 0) {
            out += "\\ufffd";
            ++i;
        } else {
            out.append(text, i, length);
            i += length;
        }
    }
    out += '"';
}

}  // namespace orvik::print
