#pragma once

#include <cstddef>
#include <string>

#include "data_input.h"

namespace tolvek {

// A number may be this long at most; a field is only read for its leading
// number, and the rest of a runaway field (a binary file, a file without
// separators) is not kept.
constexpr std::size_t kNumberLengthLimit = 4096;

// One field's text with its blanks taken out. Only the first characters
// are kept: enough to hold any number the limit allows and to tell whether
// the field's number runs past it.
struct Field {
    std::string text;
};

// Splits a text file into fields at commas and line ends (LF, CR LF or CR).
// Blank lines give no field; a comma always opens one more. A UTF-8
// byte-order mark is skipped. A NUL byte ends the scan as a fault: the file
// is UTF-16 or no text at all. A number longer than the limit ends it as
// soon as it is seen, so that an endless one is not read to its end.
class FieldScanner {
public:
    enum class Fault { None, Utf16, NulByte, NumberTooLong, Input };

    explicit FieldScanner(DataInput& input);

    // The input's fault shows as Input once the scan itself has none.
    Fault fault() const;
    // The offset of the byte the scan stopped at.
    long long offset() const { return input_.offset() - static_cast<long long>(head_.size()); }

    // True when no further field follows, also after a fault.
    bool atEnd();
    Field next();

private:
    void readHead();
    void skipBlankLines();
    // Adds c to the field's kept text; false once its number is too long.
    bool keep(Field& field, int c);
    // The next byte, or EOF at the end and after a fault.
    int get();
    int peek();

    DataInput& input_;
    std::string head_;  // the first bytes, read to look for a byte-order mark
    Fault fault_ = Fault::None;
    bool afterComma_ = false;
};

}  // namespace tolvek
