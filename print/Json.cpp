#include "print/Json.h"

#include <cstddef>

#include "print/Format.h"

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
        const std::size_t length = utf8Length(s, i, n);
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
