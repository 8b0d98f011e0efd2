#include "field_scanner.h"

#include "field_number.h"

namespace tolvek {

namespace {

// A number may lead with at most two characters that only a later digit
// makes part of it ("e+", "-."). Once the kept text is this long, its
// leading number can no longer grow beyond what the kept text shows.
constexpr std::size_t kFieldKeptLength = kNumberLengthLimit + 3;

}  // namespace

FieldScanner::FieldScanner(DataInput& input) : input_(input) {
    readHead();
}

// Reads the first bytes to skip a UTF-8 byte-order mark or to tell UTF-16
// text by its mark or its NUL high bytes.
void FieldScanner::readHead() {
    for (int i = 0; i < 3; ++i) {
        const int c = input_.peek();
        if (c == EOF)
            break;
        input_.skip();
        head_ += static_cast<char>(c);
    }
    const auto byte = [&](std::size_t i) {
        return i < head_.size() ? static_cast<unsigned char>(head_[i]) : -1;
    };
    if (byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
        head_.clear();
    } else if ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF) ||
               (byte(0) > 0 && byte(1) == 0) || (byte(0) == 0 && byte(1) > 0)) {
        fault_ = Fault::Utf16;
    }
}

FieldScanner::Fault FieldScanner::fault() const {
    if (fault_ == Fault::None && input_.fault() != DataInput::Fault::None)
        return Fault::Input;
    return fault_;
}

bool FieldScanner::atEnd() {
    if (fault() != Fault::None)
        return true;
    if (!afterComma_)
        skipBlankLines();
    return !afterComma_ && peek() == EOF;
}

Field FieldScanner::next() {
    Field field;
    for (;;) {
        const int c = get();
        if (c == EOF) {
            afterComma_ = false;
            break;
        }
        if (c == ',') {
            afterComma_ = true;
            break;
        }
        if (c == '\n' || c == '\r') {
            if (c == '\r' && peek() == '\n')
                get();
            afterComma_ = false;
            break;
        }
        if (c == ' ' || c == '\t')
            continue;  // blanks never count against the limit
        if (!keep(field, c))
            break;
    }
    if (fault_ == Fault::None && LeadingNumberLength(field.text) > kNumberLengthLimit)
        fault_ = Fault::NumberTooLong;
    return field;
}

bool FieldScanner::keep(Field& field, int c) {
    if (field.text.size() >= kFieldKeptLength)
        return true;
    field.text += static_cast<char>(c);
    if (field.text.size() == kFieldKeptLength &&
        LeadingNumberLength(field.text) > kNumberLengthLimit) {
        fault_ = Fault::NumberTooLong;
        return false;
    }
    return true;
}

void FieldScanner::skipBlankLines() {
    for (int c = peek(); c == ' ' || c == '\t' || c == '\r' || c == '\n'; c = peek())
        get();
}

int FieldScanner::get() {
    const int c = peek();
    if (c == EOF)
        return EOF;
    if (!head_.empty())
        head_.erase(0, 1);
    else
        input_.skip();
    return c;
}

int FieldScanner::peek() {
    if (fault_ != Fault::None)
        return EOF;
    const int c = head_.empty() ? input_.peek() : static_cast<unsigned char>(head_[0]);
    if (c == 0) {
        fault_ = Fault::NulByte;
        return EOF;
    }
    return c;
}

}  // namespace tolvek
