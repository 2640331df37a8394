#include "features/LogBytes.h"

#include <cstdint>
#include <cstring>

namespace orvik::features {

namespace {

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr char kLittleMark[] = "\xFF\xFE";
constexpr char kBigMark[] = "\xFE\xFF";
constexpr std::uint32_t kReplacement = 0xFFFD;

void putUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

void LogBytes::readMark(bool last) {
    const auto starts = [&](const char* mark) {
        const std::size_t size = std::strlen(mark);
        return held_.compare(0, size, mark) == 0 && held_.size() >= size;
    };
    const auto couldBe = [&](const char* mark) {
        return held_.size() < std::strlen(mark) &&
               std::strncmp(held_.data(), mark, held_.size()) == 0;
    };
    if (!last && (couldBe(kUtf8Mark) || couldBe(kLittleMark) || couldBe(kBigMark))) return;
    form_ = Form::Plain;
    if (starts(kUtf8Mark)) {
        held_.erase(0, 3);
    } else if (starts(kLittleMark) || starts(kBigMark)) {
        form_ = held_[0] == '\xFF' ? Form::Utf16Le : Form::Utf16Be;
        held_.erase(0, 2);
    }
}

void LogBytes::fromUtf16(bool last, std::string& out) {
    const bool little = form_ == Form::Utf16Le;
    const auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(held_[i]);
        const auto b = static_cast<unsigned char>(held_[i + 1]);
        return static_cast<std::uint32_t>(little ? a | (b << 8) : (a << 8) | b);
    };
    out.reserve(out.size() + held_.size() / 2 * 3);
    std::size_t i = 0;
    for (; i + 1 < held_.size(); i += 2) {
        const std::uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 3 >= held_.size()) {
                if (!last) break;  // its pair's second unit is still to come
                // A pair's first unit alone at the end, with or without a byte after it: one
                // character cut short.
                putUtf8(out, kReplacement);
                i = held_.size();
                break;
            }
            const std::uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                putUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
            putUtf8(out, kReplacement);
            continue;
        }
        putUtf8(out, u >= 0xDC00 && u <= 0xDFFF ? kReplacement : u);
    }
    held_.erase(0, i);
    if (last && !held_.empty()) {
        // A unit cut short at the end.
        putUtf8(out, kReplacement);
        held_.clear();
    }
}

void LogBytes::read(const char* bytes, std::size_t size, bool last, std::string& out) {
    if (form_ == Form::Plain) {
        out.append(bytes, size);
        return;
    }
    held_.append(bytes, size);
    if (form_ == Form::Unknown) {
        readMark(last);
        if (form_ == Form::Unknown) return;
        if (form_ == Form::Plain) {
            out += held_;
            held_.clear();
            return;
        }
    }
    fromUtf16(last, out);
}

}  // namespace orvik::features
