// The texts of the shortest-double test's values, digested: each value and its negation written
// as the JSON writes numbers (print::appendNumber: std::to_chars natively, print/ShortestDouble
// where the standard library lacks it, as in WebAssembly), one digest a family of values. Two
// builds whose lines are equal wrote the same bytes for every value; the digest of the values'
// bits tells a difference in the stream itself from one in the texts.
// Usage: shortest_digest [SHARE]   (a SHARE-th of each family's values; default 1, every one)
#include <charconv>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <string>
#include <string_view>

#include "print/Json.h"
#include "tests/double_stream.h"

namespace {

// FNV-1a, 64 bits.
class Digest {
  public:
    void add(const void* data, std::size_t length) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < length; ++i) {
            value_ ^= bytes[i];
            value_ *= 0x100000001b3;
        }
    }
    unsigned long long value() const { return value_; }

  private:
    unsigned long long value_ = 0xcbf29ce484222325;
};

}  // namespace

int main(int argc, char** argv) {
    int share = 1;
    if (argc > 1) {
        const std::string_view arg(argv[1]);
        const auto read = std::from_chars(arg.data(), arg.data() + arg.size(), share);
        if (read.ec != std::errc() || read.ptr != arg.data() + arg.size() || share < 1) {
            std::cerr << "usage: shortest_digest [SHARE]\n";
            return 2;
        }
    }
    orvik::testing::Draws random;
    std::string text;
    for (const orvik::testing::Family& family : orvik::testing::kFamilies) {
        Digest values;
        Digest texts;
        int count = 0;
        for (int i = 0; i < family.count / share; ++i) {
            const double value = family.next(random);
            for (const double number : {value, -value}) {
                std::uint64_t bits = 0;
                std::memcpy(&bits, &number, sizeof bits);
                values.add(&bits, sizeof bits);
                text.clear();
                orvik::print::appendNumber(text, number);
                text += '\n';
                texts.add(text.data(), text.size());
                ++count;
            }
        }
        std::cout << family.name << ": " << count << " values, digest of their bits " << std::hex
                  << std::setfill('0') << std::setw(16) << values.value() << ", of their texts "
                  << std::setw(16) << texts.value() << std::dec << '\n';
    }
    return 0;
}
