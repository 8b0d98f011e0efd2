#include "data_file_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

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
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

// Splits a text file into fields at commas and line ends (LF, CR LF or CR).
// Blank lines give no field; a comma always opens one more.
class FieldScanner {
public:
    explicit FieldScanner(std::FILE* file) : file_(file) {}

    // True when no further field follows.
    bool atEnd() {
        if (!afterComma_)
            skipBlankLines();
        return !afterComma_ && peek() == EOF;
    }

    std::string next() {
        std::string field;
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
            if (field.size() < kFieldTextLimit)
                field += static_cast<char>(c);
        }
        return field;
    }

private:
    void skipBlankLines() {
        for (int c = peek(); c == ' ' || c == '\t' || c == '\r' || c == '\n'; c = peek())
            get();
    }
    int get() { return std::getc(file_); }
    int peek() {
        const int c = std::getc(file_);
        if (c != EOF)
            std::ungetc(c, file_);
        return c;
    }

    std::FILE* file_;
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
std::string convertRecord(int record, const std::string (&fields)[4], WaveEntry& entry) {
    double values[4];
    for (int f = 0; f < 4; ++f) {
        values[f] = RoundHalfEven(FieldNumber(fields[f]));
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

    FieldScanner scanner(file.get());
    if (scanner.atEnd()) {
        if (ferror(file.get()))
            return limitFault("Cannot read " + path + ": " + std::strerror(errno) + ".");
        return limitFault("The file " + path + " holds no data.");
    }

    DataFileResult result;
    int i = 1;
    for (;;) {
        std::string fields[4];
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
    if (ferror(file.get()))
        return limitFault("Cannot read " + path + ": " + std::strerror(errno) + ".");

    if (!result.message.empty())
        result.message += kNoDownload;
    table[i + 1].ControlWord = 0;  // the end mark
    result.EntryCount = i + 1;
    return result;
}

}  // namespace tolvek
