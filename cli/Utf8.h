// Windows only: the command works in UTF-8 throughout, the bytes it gets and gives elsewhere, and
// meets the system's UTF-16 at the edges. The "A" routines and the C runtime's argv would use the
// ANSI code page instead, which cannot hold every character.
#ifndef ORVIK_CLI_UTF8_H
#define ORVIK_CLI_UTF8_H

#include <string>
#include <vector>

namespace orvik::cli {

std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);

class Utf8Arguments {
  public:
    // Points argc and argv at this object's UTF-8 copy of the command line; leaves them alone if
    // the command line cannot be read.
    Utf8Arguments(int& argc, char**& argv);

  private:
    std::vector<std::string> strings_;
    std::vector<char*> pointers_;
};

}  // namespace orvik::cli

#endif  // ORVIK_CLI_UTF8_H
