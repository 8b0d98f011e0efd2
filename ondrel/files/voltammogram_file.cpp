#include "voltammogram_file.h"

#include <cmath>
#include <filesystem>
#include <optional>

#include "../platform/float_text.h"
#include "../platform/message_text.h"
#include "../platform/ondrel_error.h"
#include "file_io.h"
#include "text_lines.h"

namespace ondrel {

namespace {

// Potential and current factors from the file's units into mV and µA.
struct Units {
    double potential;
    double current;
};

constexpr Units kOcvUnits{1000, 1e6};
constexpr Units kAa0Units{1, 1000};
constexpr Units kPrnUnits{1000, -1e6};  // the file's current has the other sign

constexpr int kAa0HeaderLines = 5;

std::string number(double value) {
    return FiniteToText(value, '.');
}

bool blank(const std::string& line) {
    return line.find_first_not_of(" \t") == std::string::npos;
}

std::vector<std::string> fieldsOf(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    while ((at = line.find_first_not_of(" \t", at)) != std::string::npos) {
        const std::size_t end = std::min(line.find_first_of(" \t", at), line.size());
        fields.push_back(line.substr(at, end - at));
        at = end;
    }
    return fields;
}

class CurveReader {
public:
    CurveReader(std::string_view text, const std::string& path, char separator)
        : lines_(SplitLines(text)),
          name_(std::filesystem::path(path).filename().string()),
          separator_(separator) {
        // Blank lines after the last record are not records.
        while (!lines_.empty() && blank(lines_.back()))
            lines_.pop_back();
    }

    VoltammogramRead read(CurveFormat format) {
        switch (format) {
            case CurveFormat::Ocv:
                return readOcv();
            case CurveFormat::Aa0:
                return readColumns("AA0", kAa0HeaderLines, lineCount() - kAa0HeaderLines,
                                   kAa0Units);
            case CurveFormat::Prn:
                // "END" closes the points; a file cut before it keeps its
                // last line as a point.
                return readColumns("PRN", 1, lineCount() - (endsWithEnd() ? 2 : 1), kPrnUnits);
        }
        throw Exception("unknown file type");
    }

private:
    int lineCount() const { return static_cast<int>(lines_.size()); }
    bool endsWithEnd() const {
        if (lines_.size() < 2)
            return !lines_.empty();
        const std::vector<std::string> last = fieldsOf(lines_.back());
        return last.size() == 1 && AsciiUpper(last[0]) == "END";
    }

    [[noreturn]] void fail(int line, const std::string& message) const {
        throw EConvertError(name_ + ", line " + std::to_string(line + 1) + ": " + message);
    }

    double real(int line, const std::string& field) const {
        try {
            return TextToFloat(WithDecimalMark(field, separator_), separator_);
        } catch (const EConvertError& error) {
            fail(line, error.what());
        }
    }

    // A field converted into the program's unit; a value that the unit's
    // factor takes beyond the largest number is refused here, where its
    // file and line are known.
    double converted(int line, const std::string& field, double factor, const char* unit) const {
        const double value = real(line, field) * factor;
        if (!std::isfinite(value)) {
            const std::size_t first = field.find_first_not_of(" \t");
            const std::size_t last = field.find_last_not_of(" \t");
            fail(line, QuotedText(field.substr(first, last - first + 1)) +
                           " is too large a number: beyond 1.8E308 " + unit + " once converted");
        }
        return value;
    }

    // Appends a point and its grid row, whose potential and current are the
    // converted values.
    void add(VoltammogramRead& read, int k, int line, const std::string& potential,
             const std::string& current, Units units) const {
        const CurvePoint point{converted(line, potential, units.potential, "mV"),
                               converted(line, current, units.current, "\u00B5A")};
        read.curve.push_back(point);
        read.grid.push_back({std::to_string(k), FloatToGeneral(point.potential, 5, separator_),
                             FloatToGeneral(point.current, 5, separator_)});
    }

    // Line 0 holds the point count, each line after it "potential, current"
    // split at its last comma.
    VoltammogramRead readOcv() const {
        VoltammogramRead read;
        read.grid.push_back({"OCV", "E (mV)", "I (\u00B5A)"});
        const int n = ocvPointCount();
        read.pointCountText = lines_[0] + " pts";
        for (int k = 1; k <= n; ++k) {
            if (k >= lineCount())
                fail(k, "the file ends before point " + std::to_string(k) + " of " +
                            std::to_string(n));
            const std::string& line = lines_[k];
            const std::size_t comma = line.rfind(',');
            if (comma == std::string::npos)
                fail(k, QuotedText(line) + " has no \",\" between potential and current");
            add(read, k, k, line.substr(0, comma), line.substr(comma + 1), kOcvUnits);
        }
        return read;
    }

    int ocvPointCount() const {
        if (lines_.empty())
            fail(0, "the point count is missing");
        int n = 0;
        try {
            n = TextToInt(lines_[0]);
        } catch (const EConvertError& error) {
            fail(0, error.what());
        }
        if (n < 0)
            fail(0, "a negative point count");
        return n;
    }

    VoltammogramRead readColumns(const char* formatName, int first, int n, Units units) const {
        VoltammogramRead read;
        read.grid.push_back({formatName, "E (mV)", "I (\u00B5A)", "t (S)"});
        n = std::max(n, 0);
        read.pointCountText = std::to_string(n) + " pts";
        for (int k = 1; k <= n; ++k) {
            const int line = first + k - 1;
            const std::vector<std::string> fields = fieldsOf(lines_[line]);
            if (fields.size() < 2)
                fail(line, QuotedText(lines_[line]) + " holds no potential and current");
            add(read, k, line, fields[0], fields[1], units);
            read.grid.back().push_back(fields.size() > 2 ? fields[2] : std::string());
        }
        return read;
    }

    std::vector<std::string> lines_;
    std::string name_;
    char separator_;
};

// The lines of each format, from a curve in mV and µA.

std::vector<std::string> OcvLines(const Curve& curve) {
    std::vector<std::string> lines;
    lines.reserve(curve.size() + 1);
    lines.push_back(std::to_string(curve.size()));
    for (const CurvePoint& p : curve)
        lines.push_back(number(p.potential * 0.001) + ", " + number(p.current * 1e-6));
    return lines;
}

std::vector<std::string> Aa0Lines(const Curve& curve) {
    std::vector<std::string> lines = {"VM2/DAT", "3", "E (mV)", "I (mA)", "t (s)"};
    lines.reserve(curve.size() + kAa0HeaderLines);
    for (const CurvePoint& p : curve)
        lines.push_back(number(p.potential) + " " + number(p.current * 0.001) + " 0.00");
    return lines;
}

std::vector<std::string> PrnLines(const Curve& curve, CurveOrigin origin) {
    const double toFile = origin == CurveOrigin::Measured ? -1e-6 : 1e-6;
    std::vector<std::string> lines;
    lines.reserve(curve.size() + 2);
    lines.push_back("/* ASCII E i t */");
    for (const CurvePoint& p : curve)
        lines.push_back(number(p.potential * 0.001) + " " + number(p.current * toFile) + " 0.00");
    lines.push_back("END");
    return lines;
}

}  // namespace

std::optional<CurveFormat> CurveFormatOf(const std::string& path) {
    const std::string extension = AsciiUpper(ExtensionOf(path));
    if (extension == ".OCV")
        return CurveFormat::Ocv;
    if (extension == ".AA0")
        return CurveFormat::Aa0;
    if (extension == ".PRN")
        return CurveFormat::Prn;
    return std::nullopt;
}

VoltammogramRead ReadVoltammogram(std::string_view text, const std::string& path, char separator) {
    const std::optional<CurveFormat> format = CurveFormatOf(path);
    if (!format)
        throw Exception("unknown file type");
    // Read as single bytes, every field of it would hold NUL bytes.
    if (LooksUtf16(text))
        throw EConvertError(Utf16Message(std::filesystem::path(path).filename().string()));
    return CurveReader(text, path, separator).read(*format);
}

CurveFormat WriteFormatOf(const std::string& path, CurveOrigin origin) {
    if (const std::optional<CurveFormat> format = CurveFormatOf(path))
        return *format;
    const std::string extension = AsciiUpper(ExtensionOf(path));
    if (origin == CurveOrigin::Simulated)
        throw Exception("Extension: " + extension + " non reconnue");
    throw Exception("Unknown Extension: " + extension);
}

std::string WriteVoltammogram(const Curve& curve, CurveFormat format, CurveOrigin origin) {
    switch (format) {
        case CurveFormat::Ocv:
            return JoinLines(OcvLines(curve));
        case CurveFormat::Aa0:
            return JoinLines(Aa0Lines(curve));
        case CurveFormat::Prn:
            return JoinLines(PrnLines(curve, origin));
    }
    throw Exception("unknown file type");
}

}  // namespace ondrel
