#include "bench/floors.h"

#include <cstring>

#include "dice/Decimal.h"
#include "host/orvik.h"

namespace orvik::bench {

namespace {

std::uint32_t step(std::uint32_t state) {
    return state * 22695477u + 1u;
}

int draw(std::uint32_t state) {
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

int readNumber(const char*& p) {
    int value = 0;
    while (*p >= '0' && *p <= '9')
        value = value * 10 + (*p++ - '0');
    return value;
}

char* put(char* out, const char* s, std::size_t n) {
    std::memcpy(out, s, n);
    return out + n;
}

}  // namespace

void serialDice(std::int32_t* totals, int groups, int dice, int sides, std::uint32_t& state) {
    std::uint32_t s = state;
    for (int g = 0; g < groups; ++g) {
        std::int32_t total = 0;
        for (int d = 0; d < dice; ++d) {
            s = step(s);
            total += draw(s) % sides + 1;
        }
        totals[g] = total;
    }
    state = s;
}

void rollInline(char* data, std::uint32_t& state) {
    char text[ORVIK_MIN_HOST_BUFFER];
    const std::size_t length = std::strlen(data);
    std::memcpy(text, data, length + 1);

    const char* p = text;
    int dice = *p == 'd' ? 1 : readNumber(p);
    ++p;  // 'd'
    const int sides = readNumber(p);
    int modifier = 0;
    while (*p == '+' || *p == '-') {
        const bool add = *p++ == '+';
        const int value = readNumber(p);
        modifier += add ? value : -value;
    }
    if (*p == '*') {
        ++p;
        int multiplier = readNumber(p);
        while (*p == '*') {
            ++p;
            multiplier += readNumber(p) - 1;
        }
        dice *= multiplier;
        modifier *= multiplier;
    }

    std::int32_t total = modifier;
    std::uint32_t s = state;
    for (int d = 0; d < dice; ++d) {
        s = step(s);
        total += draw(s) % sides + 1;
    }
    state = s;

    char* out = put(data, "rolls ", 6);
    if (text[0] == 'd') out = put(out, "a ", 2);
    out = put(out, text, length);
    out = put(out, " and gets ", 10);
    out += orvik::writeDecimal(out, total);
    put(out, ".", 2);
}

}  // namespace orvik::bench
