// A log file's bytes as every front end reads them, a piece at a time: a byte-order mark at the
// start says how the file is written, as editors that save UTF-16 mark it. UTF-8's mark is
// passed over; UTF-16 (either byte order) is read as UTF-8, a unit that is no character becoming
// U+FFFD, and at the end a unit cut short, or a pair's first unit alone, is one U+FFFD too, since
// something stood there (as the WHATWG Encoding Standard reads it). Other bytes stay as they are.
#ifndef ORVIK_FEATURES_LOGBYTES_H
#define ORVIK_FEATURES_LOGBYTES_H

#include <cstddef>
#include <string>

namespace orvik::features {

class LogBytes {
  public:
    // Appends to out what the next size bytes read as; with last, what the end reads as too.
    // Bytes that may still begin a mark, a unit or a pair are held until the next piece. Throws
    // std::bad_alloc.
    void read(const char* bytes, std::size_t size, bool last, std::string& out);

    // Known to be no UTF-16: every byte from here on reads as itself, and a caller may pass
    // them by.
    bool plain() const { return form_ == Form::Plain; }

  private:
    enum class Form { Unknown, Plain, Utf16Le, Utf16Be };
    // From the first bytes, held in held_: the form, once they can tell it.
    void readMark(bool last);
    void fromUtf16(bool last, std::string& out);

    Form form_ = Form::Unknown;
    std::string held_;  // bytes not yet read: the first ones, or a unit or pair begun
};

}  // namespace orvik::features

#endif  // ORVIK_FEATURES_LOGBYTES_H
