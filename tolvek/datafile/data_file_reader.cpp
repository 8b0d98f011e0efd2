#include "data_file_reader.h"

#include <iomanip>
#include <locale>
#include <optional>
#include <sstream>

#include "data_input.h"
#include "field_number.h"

namespace tolvek {

namespace {

constexpr const char* kNoDownload = " No data downloaded!";
constexpr double kShortMin = -32768;
constexpr double kShortMax = 32767;
// A number may be this long at most; a field is only read for its leading
// number, and the rest of a runaway field (a binary file, a file without
// separators) is not kept.
constexpr std::size_t kNumberLengthLimit = 4096;

bool inShortRange(double value) {
    return value >= kShortMin && value <= kShortMax;
}

std::string numberText(double value) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << std::setprecision(15) << value;
    return text.str();
}

// One field's text with its blanks taken out. Only the first characters
// are kept: enough to hold any number the limit allows and to tell whether
// the field's number runs past it.
struct Field {
    std::string text;
};

// A number may lead with at most two characters that only a later digit
// makes part of it ("e+", "-."). Once the kept text is this long, its
// leading number can no longer grow beyond what the kept text shows.
constexpr std::size_t kFieldKeptLength = kNumberLengthLimit + 3;

// Splits a text file into fields at commas and line ends (LF, CR LF or CR).
// Blank lines give no field; a comma always opens one more. A UTF-8
// byte-order mark is skipped. A NUL byte ends the scan as a fault: the file
// is UTF-16 or no text at all. A number longer than the limit ends it as
// soon as it is seen, so that an endless one is not read to its end.
class FieldScanner {
public:
    enum class Fault { None, Utf16, NulByte, NumberTooLong, Input };

    explicit FieldScanner(DataInput& input) : input_(input) {
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

    Fault fault() const {
        if (fault_ == Fault::None && input_.fault() != DataInput::Fault::None)
            return Fault::Input;
        return fault_;
    }
    // The offset of the byte the scan stopped at.
    long long offset() const { return input_.offset() - static_cast<long long>(head_.size()); }

    // True when no further field follows, also after a fault.
    bool atEnd() {
        if (fault() != Fault::None)
            return true;
        if (!afterComma_)
            skipBlankLines();
        return !afterComma_ && peek() == EOF;
    }

    Field next() {
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
            if (field.text.size() < kFieldKeptLength) {
                field.text += static_cast<char>(c);
                if (field.text.size() == kFieldKeptLength &&
                    LeadingNumberLength(field.text) > kNumberLengthLimit) {
                    fault_ = Fault::NumberTooLong;
                    break;
                }
            }
        }
        if (fault_ == Fault::None && LeadingNumberLength(field.text) > kNumberLengthLimit)
            fault_ = Fault::NumberTooLong;
        return field;
    }

private:
    void skipBlankLines() {
        for (int c = peek(); c == ' ' || c == '\t' || c == '\r' || c == '\n'; c = peek())
            get();
    }
    // The next byte, or EOF at the end and after a fault.
    int get() {
        const int c = peek();
        if (c == EOF)
            return EOF;
        if (!head_.empty())
            head_.erase(0, 1);
        else
            input_.skip();
        return c;
    }
    int peek() {
        if (fault_ != Fault::None)
            return EOF;
        const int c = head_.empty() ? input_.peek() : static_cast<unsigned char>(head_[0]);
        if (c == 0) {
            fault_ = Fault::NulByte;
            return EOF;
        }
        return c;
    }

    DataInput& input_;
    std::string head_;  // the first bytes, read to look for a byte-order mark
    Fault fault_ = Fault::None;
    bool afterComma_ = false;
};

DataFileResult limitFault(std::string message) {
    return {kOutsideLimits, 0, std::move(message) + kNoDownload};
}

std::string recordPrefix(int record, const std::string& fields) {
    return "Record " + std::to_string(record) + ", " + fields + ": ";
}

std::string fieldName(int field) {
    return "field " + std::to_string(field);
}

// Converts one record's fields, or says which limit it breaks.
std::string convertRecord(int record, const Field (&fields)[4], WaveEntry& entry) {
    double values[4];
    for (int f = 0; f < 4; ++f) {
        values[f] = RoundHalfEven(FieldNumber(fields[f].text));
        if (!inShortRange(values[f]))
            return recordPrefix(record, fieldName(f + 1)) + numberText(values[f]) +
                   " is outside -32768..32767.";
    }
    const double doubled = 2 * values[3];
    if (!inShortRange(doubled))
        return recordPrefix(record, "field 4") + "2 x " + numberText(values[3]) + " = " +
               numberText(doubled) + " is outside -32768..32767.";
    const double sum = doubled + values[2];
    const std::string sumText = "2 x " + numberText(values[3]) + " + " + numberText(values[2]);
    if (!inShortRange(sum))
        return recordPrefix(record, "fields 3 and 4") + sumText + " = " + numberText(sum) +
               " is outside -32768..32767.";
    const double control = sum + 128;
    if (!inShortRange(control))
        return recordPrefix(record, "fields 3 and 4") + "the control word " + sumText +
               " + 128 = " + numberText(control) + " is outside -32768..32767.";

    entry.Value1 = static_cast<short>(values[0]);
    entry.Value2 = static_cast<short>(values[1]);
    entry.ControlWord = static_cast<short>(control);
    return {};
}

}  // namespace

bool IsDataFileName(std::string_view name) {
    return name.ends_with(".txt");
}

DataFileResult ReadDataFile(const std::string& path, WaveTable& table,
                            const std::function<bool()>& yield,
                            std::optional<std::chrono::milliseconds> patience,
                            const std::function<void()>& waiting) {
    DataInput input({yield, patience, waiting});
    if (const std::string problem = input.open(path); !problem.empty())
        return limitFault("Cannot open " + path + ": " + problem + ".");

    FieldScanner scanner(input);
    int i = 1, field = 1;  // the record and field being read
    const auto scanFault = [&]() -> std::optional<DataFileResult> {
        switch (scanner.fault()) {
            case FieldScanner::Fault::None:
                return std::nullopt;
            case FieldScanner::Fault::Utf16:
                return limitFault("The file " + path +
                                  " is UTF-16 text; save it as ANSI or UTF-8 text.");
            case FieldScanner::Fault::NulByte:
                return limitFault("The file " + path + " is not a text file: byte " +
                                  std::to_string(scanner.offset() + 1) + " is a NUL byte.");
            case FieldScanner::Fault::NumberTooLong:
                return limitFault(recordPrefix(i, fieldName(field)) + "its number is longer than " +
                                  std::to_string(kNumberLengthLimit) + " characters.");
            case FieldScanner::Fault::Input:
                break;
        }
        switch (input.fault()) {
            case DataInput::Fault::Unreadable:
                return limitFault("Cannot read " + path + ": " + input.faultText() + ".");
            case DataInput::Fault::TimedOut:
                return limitFault("No data came from " + path + " in " +
                                  numberText(static_cast<double>(patience->count()) / 1000) +
                                  " seconds: no program writes to it.");
            default:
                return DataFileResult{kAbandoned, 0, "Loading abandoned."};
        }
    };

    const bool empty = scanner.atEnd();
    if (auto fault = scanFault())
        return *fault;
    if (empty)
        return limitFault("The file " + path + " holds no data.");

    DataFileResult result;
    for (;;) {
        Field fields[4];
        // Reads field f of record i; false when the file ends after it.
        const auto readField = [&](int f) {
            field = f;
            fields[f - 1] = scanner.next();
            return !scanner.atEnd();
        };
        if (!readField(1))
            break;  // a lone last field is dropped
        if (!readField(2)) {
            result.status = kEndedAfterField2;
            result.message = "The file ends after field 2 of record " + std::to_string(i) + ".";
            break;
        }
        if (!readField(3)) {
            result.status = kEndedAfterField3;
            result.message = "The file ends after field 3 of record " + std::to_string(i) + ".";
            break;
        }
        const bool last = !readField(4);
        if (auto fault = scanFault())
            return *fault;

        const std::string fault = convertRecord(i, fields, table[i]);
        if (!fault.empty())
            return limitFault(fault);

        if (last)
            break;
        if (!yield())
            return {kAbandoned, 0, "Loading abandoned."};
        if (i == kMaxRecords)
            return limitFault("The file holds more than " + std::to_string(kMaxRecords) +
                              " records.");
        ++i;
    }
    if (auto fault = scanFault())
        return *fault;

    if (!result.message.empty())
        result.message += kNoDownload;
    table[i + 1].ControlWord = 0;  // the end mark
    result.EntryCount = i + 1;
    return result;
}

}  // namespace tolvek
