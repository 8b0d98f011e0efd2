#include "data_file_reader.h"

#include <cmath>
#include <iomanip>
#include <locale>
#include <optional>
#include <sstream>

#include "data_input.h"
#include "field_number.h"
#include "field_scanner.h"

namespace tolvek {

namespace {

constexpr const char* kNoDownload = " No data downloaded!";
constexpr double kShortMin = -32768;
constexpr double kShortMax = 32767;

bool inShortRange(double value) {
    return value >= kShortMin && value <= kShortMax;
}

std::string numberText(double value) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << std::setprecision(15) << value;
    return text.str();
}

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
        // A number beyond a double's range reads as an infinity, which
        // says nothing to the user.
        if (!std::isfinite(values[f]))
            return recordPrefix(record, fieldName(f + 1)) + "its number is beyond " +
                   (values[f] < 0 ? "-" : "") + "1.8E308, outside -32768..32767.";
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

// How the reading of one record ended.
enum class RecordEnd {
    More,         // further fields follow
    Last,         // the file ends with this record
    AfterField1,  // the file ends with a lone first field, which is dropped
    AfterField2,
    AfterField3,
};

// One load of a data file into the table: the scan, the record and field it
// has reached, and what its faults mean for the user.
class DataFileLoad {
public:
    DataFileLoad(const std::string& path, DataInput& input,
                 std::optional<std::chrono::milliseconds> patience)
        : path_(path), input_(input), scanner_(input), patience_(patience) {}

    DataFileResult read(WaveTable& table, const std::function<bool()>& yield);

private:
    DataFileResult readRecords(WaveTable& table, const std::function<bool()>& yield);
    RecordEnd readRecord(Field (&fields)[4]);
    // The file ended after this many fields of the current record.
    DataFileResult shortRecord(short status, int fields) const;
    // Ends the table after the last record read with the end mark.
    DataFileResult finish(WaveTable& table, DataFileResult result) const;
    std::optional<DataFileResult> fault() const;
    DataFileResult inputFault() const;

    const std::string& path_;
    const DataInput& input_;
    FieldScanner scanner_;
    std::optional<std::chrono::milliseconds> patience_;
    int record_ = 1, field_ = 1;  // the record and field being read
};

DataFileResult DataFileLoad::read(WaveTable& table, const std::function<bool()>& yield) {
    const bool empty = scanner_.atEnd();
    if (auto fault = this->fault())
        return *fault;
    if (empty)
        return limitFault("The file " + path_ + " holds no data.");
    return readRecords(table, yield);
}

DataFileResult DataFileLoad::readRecords(WaveTable& table, const std::function<bool()>& yield) {
    for (;;) {
        Field fields[4];
        const RecordEnd end = readRecord(fields);
        if (end == RecordEnd::AfterField1)
            return finish(table, {});
        if (end == RecordEnd::AfterField2)
            return finish(table, shortRecord(kEndedAfterField2, 2));
        if (end == RecordEnd::AfterField3)
            return finish(table, shortRecord(kEndedAfterField3, 3));
        if (auto fault = this->fault())
            return *fault;
        if (const std::string problem = convertRecord(record_, fields, table[record_]);
            !problem.empty())
            return limitFault(problem);
        if (end == RecordEnd::Last)
            return finish(table, {});
        if (!yield())
            return {kAbandoned, 0, "Loading abandoned."};
        if (record_ == kMaxRecords)
            return limitFault("The file holds more than " + std::to_string(kMaxRecords) +
                              " records.");
        ++record_;
    }
}

// Reads the four fields of the current record, stopping early where the
// file ends.
RecordEnd DataFileLoad::readRecord(Field (&fields)[4]) {
    constexpr RecordEnd kEndsAfter[] = {RecordEnd::AfterField1, RecordEnd::AfterField2,
                                        RecordEnd::AfterField3, RecordEnd::Last};
    for (int f = 1; f <= 4; ++f) {
        field_ = f;
        fields[f - 1] = scanner_.next();
        if (scanner_.atEnd())
            return kEndsAfter[f - 1];
    }
    return RecordEnd::More;
}

DataFileResult DataFileLoad::shortRecord(short status, int fields) const {
    return {status, 0,
            "The file ends after field " + std::to_string(fields) + " of record " +
                std::to_string(record_) + "."};
}

DataFileResult DataFileLoad::finish(WaveTable& table, DataFileResult result) const {
    if (auto fault = this->fault())
        return *fault;
    if (!result.message.empty())
        result.message += kNoDownload;
    table[record_ + 1].ControlWord = 0;  // the end mark
    result.EntryCount = record_ + 1;
    return result;
}

std::optional<DataFileResult> DataFileLoad::fault() const {
    switch (scanner_.fault()) {
        case FieldScanner::Fault::None:
            return std::nullopt;
        case FieldScanner::Fault::Utf16:
            return limitFault("The file " + path_ +
                              " is UTF-16 text; save it as ANSI or UTF-8 text.");
        case FieldScanner::Fault::NulByte:
            return limitFault("The file " + path_ + " is not a text file: byte " +
                              std::to_string(scanner_.offset() + 1) + " is a NUL byte.");
        case FieldScanner::Fault::NumberTooLong:
            return limitFault(recordPrefix(record_, fieldName(field_)) +
                              "its number is longer than " + std::to_string(kNumberLengthLimit) +
                              " characters.");
        case FieldScanner::Fault::Input:
            break;
    }
    return inputFault();
}

DataFileResult DataFileLoad::inputFault() const {
    switch (input_.fault()) {
        case DataInput::Fault::Unreadable:
            return limitFault("Cannot read " + path_ + ": " + input_.faultText() + ".");
        case DataInput::Fault::TimedOut:
            return limitFault("No data came from " + path_ + " in " +
                              numberText(static_cast<double>(patience_->count()) / 1000) +
                              " seconds: no program writes to it.");
        default:
            return {kAbandoned, 0, "Loading abandoned."};
    }
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
    return DataFileLoad(path, input, patience).read(table, yield);
}

}  // namespace tolvek
