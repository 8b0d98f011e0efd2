#include "data_file_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iomanip>
#include <locale>
#include <memory>
#include <optional>
#include <sstream>

#include "field_number.h"

namespace tolvek {

namespace {

constexpr const char* kNoDownload = " No data downloaded!";
constexpr double kShortMin = -32768;
constexpr double kShortMax = 32767;
// A field is only read for its leading number; the rest of a runaway field
// (a binary file, a file without separators) is not kept.
constexpr std::size_t kFieldTextLimit = 4096;

bool inShortRange(double value) {
    return value >= kShortMin && value <= kShortMax;
}

std::string numberText(double value) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << std::setprecision(15) << value;
    return text.str();
}

// One field's text with its blanks taken out; cut when it ran past the
// text limit.
struct Field {
    std::string text;
    bool cut = false;
};

// Splits a text file into fields at commas and line ends (LF, CR LF or CR).
// Blank lines give no field; a comma always opens one more. A UTF-8
// byte-order mark is skipped. A NUL byte ends the scan as a fault: the file
// is UTF-16 or no text at all. The scan lets user-interface events run every
// so many bytes, so that a never-ending input (a FIFO, a link to a device)
// can be abandoned.
class FieldScanner {
public:
    enum class Fault { None, Utf16, NulByte, Abandoned };

    FieldScanner(std::FILE* file, const std::function<bool()>& yield) : file_(file), yield_(yield) {
        for (int i = 0; i < 3; ++i) {
            const int c = std::getc(file_);
            if (c == EOF)
                break;
            head_ += static_cast<char>(c);
        }
        const auto byte = [&](std::size_t i) {
            return i < head_.size() ? static_cast<unsigned char>(head_[i]) : -1;
        };
        if (byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
            head_.clear();
            offset_ = 3;
        } else if ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF) ||
                   (byte(0) > 0 && byte(1) == 0) || (byte(0) == 0 && byte(1) > 0)) {
            fault_ = Fault::Utf16;
        }
    }

    Fault fault() const { return fault_; }
    long long offset() const { return offset_; }

    // True when no further field follows.
    bool atEnd() {
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
            if (field.text.size() < kFieldTextLimit)
                field.text += static_cast<char>(c);
            else
                field.cut = true;
        }
        return field;
    }

private:
    static constexpr long long kBytesPerYield = 1 << 16;

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
            std::getc(file_);
        if (++offset_ % kBytesPerYield == 0 && !yield_()) {
            fault_ = Fault::Abandoned;
            return EOF;
        }
        return c;
    }
    int peek() {
        if (fault_ != Fault::None)
            return EOF;
        int c;
        if (!head_.empty()) {
            c = static_cast<unsigned char>(head_[0]);
        } else {
            c = std::getc(file_);
            if (c != EOF)
                std::ungetc(c, file_);
        }
        if (c == 0) {
            fault_ = Fault::NulByte;
            return EOF;
        }
        return c;
    }

    std::FILE* file_;
    const std::function<bool()>& yield_;
    std::string head_;  // the first bytes, read to look for a byte-order mark
    Fault fault_ = Fault::None;
    long long offset_ = 0;
    bool afterComma_ = false;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

DataFileResult limitFault(std::string message) {
    return {kOutsideLimits, 0, std::move(message) + kNoDownload};
}

std::string recordPrefix(int record, const char* fields) {
    return "Record " + std::to_string(record) + ", " + fields + ": ";
}

// Converts one record's fields, or says which limit it breaks.
std::string convertRecord(int record, const Field (&fields)[4], WaveEntry& entry) {
    double values[4];
    for (int f = 0; f < 4; ++f) {
        const std::string& text = fields[f].text;
        // A number that runs past the kept text would be read as another.
        if (fields[f].cut && LeadingNumberLength(text) == text.size())
            return recordPrefix(record, ("field " + std::to_string(f + 1)).c_str()) +
                   "its number is longer than " + std::to_string(kFieldTextLimit) + " characters.";
        values[f] = RoundHalfEven(FieldNumber(text));
        if (!inShortRange(values[f]))
            return recordPrefix(record, ("field " + std::to_string(f + 1)).c_str()) +
                   numberText(values[f]) + " is outside -32768..32767.";
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
                            const std::function<bool()>& yield) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return limitFault("Cannot open " + path + ": " + std::strerror(errno) + ".");

    FieldScanner scanner(file.get(), yield);
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
            case FieldScanner::Fault::Abandoned:
                break;
        }
        return DataFileResult{kAbandoned, 0, "Loading abandoned."};
    };

    const bool empty = scanner.atEnd();
    if (auto fault = scanFault())
        return *fault;
    if (empty) {
        if (ferror(file.get()))
            return limitFault("Cannot read " + path + ": " + std::strerror(errno) + ".");
        return limitFault("The file " + path + " holds no data.");
    }

    DataFileResult result;
    int i = 1;
    for (;;) {
        Field fields[4];
        fields[0] = scanner.next();
        if (scanner.atEnd())
            break;  // a lone last field is dropped
        fields[1] = scanner.next();
        if (scanner.atEnd()) {
            result.status = kEndedAfterField2;
            result.message = "The file ends after field 2 of record " + std::to_string(i) + ".";
            break;
        }
        fields[2] = scanner.next();
        if (scanner.atEnd()) {
            result.status = kEndedAfterField3;
            result.message = "The file ends after field 3 of record " + std::to_string(i) + ".";
            break;
        }
        fields[3] = scanner.next();
        if (auto fault = scanFault())
            return *fault;

        const std::string fault = convertRecord(i, fields, table[i]);
        if (!fault.empty())
            return limitFault(fault);

        if (scanner.atEnd())
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
    if (ferror(file.get()))
        return limitFault("Cannot read " + path + ": " + std::strerror(errno) + ".");

    if (!result.message.empty())
        result.message += kNoDownload;
    table[i + 1].ControlWord = 0;  // the end mark
    result.EntryCount = i + 1;
    return result;
}

}  // namespace tolvek
