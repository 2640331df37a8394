// The pieces of text that the printed odds and audits share: numbers, padding and bars.
#ifndef ORVIK_PRINT_FORMAT_H
#define ORVIK_PRINT_FORMAT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvik::print {

// printf to the end of out; at most 95 characters.
__attribute__((format(printf, 2, 3))) void appendf(std::string& out, const char* format, ...);

std::string number(std::int64_t value);

// 1234567 as "1,234,567".
std::string grouped(std::uint64_t n);

// "1 roll", "1,000 rolls".
std::string countOf(std::uint64_t n, const char* one, const char* many);

// The bars' full width, in cells.
constexpr int kBarCells = 40;

// A bar of fraction (0 to 1) of cells full cells, in eighths of a cell, so that close values still
// differ.
std::string bar(double fraction, int cells = kBarCells);

// The length of the well-formed UTF-8 character at text[i] (1 for ASCII), or 0 for a byte that
// starts none: no overlong forms, no surrogates, nothing past U+10FFFF.
std::size_t utf8Length(const unsigned char* text, std::size_t i, std::size_t length);

// Cells on a terminal: every character printed here is one cell.
std::size_t displayWidth(const std::string& s);

// s, right-aligned in width cells.
void pad(std::string& out, const std::string& s, std::size_t width);

}  // namespace orvik::print

#endif  // ORVIK_PRINT_FORMAT_H
