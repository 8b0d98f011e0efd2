#include "files/voltammogram_file.h"

#include <gtest/gtest.h>

#include <cmath>

#include "files/text_lines.h"
#include "platform/ondrel_error.h"

namespace ondrel {
namespace {

// A sweep up and back with a peak each way, in mV and µA.
Curve voltammogram(int n) {
    Curve curve;
    for (int i = 0; i < n; ++i) {
        const double e = i < n / 2 ? -200 + i : -200 + (n - i);
        curve.push_back({e, (i < n / 2 ? 1 : -1) * 12.5 * std::exp(-(e * e) / 2000) + 0.001 * i});
    }
    return curve;
}

void expectSameCurve(const Curve& read, const Curve& written, double sign = 1) {
    ASSERT_EQ(read.size(), written.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_NEAR(read[i].potential, written[i].potential, 1e-9) << i;
        EXPECT_NEAR(read[i].current, sign * written[i].current, 1e-9) << i;
    }
}

// The message a read of text as the file path gives.
std::string readFailure(const std::string& text, const std::string& path) {
    try {
        ReadVoltammogram(text, path, '.');
    } catch (const Exception& error) {
        return error.what();
    }
    return "no error";
}

TEST(VoltammogramFile, EachFormatReadsBackWhatItWroteUnderEitherSeparator) {
    const Curve written = voltammogram(500);
    for (const char* path : {"/d/exp.OCV", "/d/exp.aa0", "/d/exp.Prn"}) {
        const std::string text = WriteVoltammogram(
            written, WriteFormatOf(path, CurveOrigin::Measured), CurveOrigin::Measured);
        EXPECT_EQ(text.find(','), std::string(path).ends_with("OCV") ? text.find(", ") : text.npos)
            << path;
        for (char separator : {'.', ','}) {
            const VoltammogramRead read = ReadVoltammogram(text, path, separator);
            expectSameCurve(read.curve, written);
            EXPECT_EQ(read.pointCountText, "500 pts");
            ASSERT_EQ(read.grid.size(), 501u);
        }
    }
}

TEST(VoltammogramFile, LayoutsAndUnitsAreThoseOfTheInstruments) {
    const Curve curve = {{-150, 2.5}, {-149, -0.75}};
    EXPECT_EQ(WriteVoltammogram(curve, CurveFormat::Ocv, CurveOrigin::Measured),
              "2\r\n-0.15, 2.5E-6\r\n-0.149, -7.5E-7\r\n");
    EXPECT_EQ(WriteVoltammogram(curve, CurveFormat::Aa0, CurveOrigin::Simulated),
              "VM2/DAT\r\n3\r\nE (mV)\r\nI (mA)\r\nt (s)\r\n-150 0.0025 0.00\r\n"
              "-149 -0.00075 0.00\r\n");
    EXPECT_EQ(WriteVoltammogram(curve, CurveFormat::Prn, CurveOrigin::Measured),
              "/* ASCII E i t */\r\n-0.15 -2.5E-6 0.00\r\n-0.149 7.5E-7 0.00\r\nEND\r\n");

    // The grid: format name, the converted values with 5 digits, the time
    // column as written.
    const VoltammogramRead read = ReadVoltammogram(
        "/* ASCII E i t */\n0.1234567 1E-6 0.5\n-0.2 -3e-6 1\nEND\n", "/data/run.PRN", ',');
    const std::vector<std::vector<std::string>> grid = {{"PRN", "E (mV)", "I (\u00B5A)", "t (S)"},
                                                        {"1", "123,46", "-1", "0.5"},
                                                        {"2", "-200", "3", "1"}};
    EXPECT_EQ(read.grid, grid);
    expectSameCurve(read.curve, {{123.4567, -1}, {-200, 3}});

    // ".OCV" splits at its last ","; the count text is line 0 as written.
    const VoltammogramRead ocv =
        ReadVoltammogram("  2\r\n1,5 , 2E-6\r\n0.25,-1e-6\r\n", "a.ocv", ',');
    expectSameCurve(ocv.curve, {{1500, 2}, {250, -1}});
    EXPECT_EQ(ocv.pointCountText, "  2 pts");
    EXPECT_EQ(ocv.grid[0], (std::vector<std::string>{"OCV", "E (mV)", "I (\u00B5A)"}));
}

TEST(VoltammogramFile, APrnRoundTripInvertsOnlySimulatedCurves) {
    const Curve curve = voltammogram(40);
    const std::string simulated =
        WriteVoltammogram(curve, CurveFormat::Prn, CurveOrigin::Simulated);
    expectSameCurve(ReadVoltammogram(simulated, "s.PRN", '.').curve, curve, -1);
    const std::string measured = WriteVoltammogram(curve, CurveFormat::Prn, CurveOrigin::Measured);
    expectSameCurve(ReadVoltammogram(measured, "m.PRN", '.').curve, curve);
}

TEST(VoltammogramFile, EmptyCurvesAndTrailingBlankLines) {
    const std::string header = "VM2/DAT\r\n3\r\nE (mV)\r\nI (mA)\r\nt (s)\r\n";
    const VoltammogramRead empty = ReadVoltammogram(header, "e.AA0", '.');
    EXPECT_TRUE(empty.curve.empty());
    EXPECT_EQ(empty.pointCountText, "0 pts");
    EXPECT_EQ(empty.grid.size(), 1u);

    EXPECT_EQ(ReadVoltammogram(header + "5 1 0\r\n\r\n  \r\n", "b.AA0", '.').curve.size(), 1u);
    EXPECT_EQ(
        ReadVoltammogram("/* ASCII E i t */\r\n0.1 1 0\r\nEND\r\n\r\n", "b.PRN", '.').curve.size(),
        1u);
    EXPECT_TRUE(ReadVoltammogram("", "nothing.PRN", '.').curve.empty());
}

TEST(VoltammogramFile, BadFilesAndExtensionsAreRefusedWithTheirMessages) {
    EXPECT_EQ(readFailure("1\r\n0.1,1\r\n", "/x/curve.ICV"), "unknown file type");
    EXPECT_EQ(readFailure("3\r\n0.1,1\r\n0.2,1e-6\r\n", "/x/short.OCV"),
              "short.OCV, line 4: the file ends before point 3 of 3");
    EXPECT_EQ(readFailure("2\r\n0.1,1\r\n0.2;1e-6\r\n", "/x/semi.OCV"),
              "semi.OCV, line 3: '0.2;1e-6' has no \",\" between potential and current");
    EXPECT_EQ(readFailure("many\r\n", "/x/count.OCV"),
              "count.OCV, line 1: 'many' is not a valid integer value");
    EXPECT_EQ(readFailure("/* ASCII E i t */\r\n0.1 1 0\r\n0.2 1O 0\r\nEND\r\n", "/x/typo.PRN"),
              "typo.PRN, line 3: '1O' is not a valid floating point value");

    EXPECT_EQ(WriteFormatOf("out.aa0", CurveOrigin::Simulated), CurveFormat::Aa0);
    auto writeFailure = [](const std::string& path, CurveOrigin origin) -> std::string {
        try {
            WriteFormatOf(path, origin);
        } catch (const Exception& error) {
            return error.what();
        }
        return "no error";
    };
    EXPECT_EQ(writeFailure("out.txt", CurveOrigin::Simulated), "Extension: .TXT non reconnue");
    EXPECT_EQ(writeFailure("out.csv", CurveOrigin::Measured), "Unknown Extension: .CSV");
}

TEST(VoltammogramFile, APrnCutBeforeItsEndKeepsItsLastLineAsAPoint) {
    const auto read =
        ReadVoltammogram("/* ASCII E i t */\r\n0.1 1E-6 0\r\n0.2 2E-6 0\r\n", "cut.PRN", '.');
    ASSERT_EQ(read.curve.size(), 2u);
    EXPECT_DOUBLE_EQ(read.curve[1].potential, 200);
    EXPECT_DOUBLE_EQ(read.curve[1].current, -2);
    EXPECT_EQ(
        ReadVoltammogram("/* ASCII E i t */\r\n0.1 1E-6 0\r\n end \r\n", "e.PRN", '.').curve.size(),
        1u);
}

TEST(VoltammogramFile, NoWriterWritesInfinityOrNan) {
    for (double bad : {INFINITY, -INFINITY, NAN}) {
        const Curve curve{{100, 1}, {101, bad}};
        for (CurveFormat format : {CurveFormat::Ocv, CurveFormat::Aa0, CurveFormat::Prn})
            EXPECT_THROW(WriteVoltammogram(curve, format, CurveOrigin::Simulated), Exception);
    }
    EXPECT_THROW(ReadVoltammogram("1\r\n1e309, 1\r\n", "big.OCV", '.'), EConvertError);
}

TEST(VoltammogramFile, AValueThatOverflowsOnlyInTheProgramsUnitIsRefusedWhereItIsRead) {
    // 1e305 A is a double, 1e311 uA is not.
    EXPECT_EQ(readFailure("2\r\n0.1, 1e-6\r\n0.2, 1e305\r\n", "/x/amps.OCV"),
              "amps.OCV, line 3: '1e305' is too large a number: beyond 1.8E308 \u00B5A once "
              "converted");
    EXPECT_EQ(readFailure("/* ASCII E i t */\r\n-1e306 1E-6 0\r\nEND\r\n", "/x/volts.PRN"),
              "volts.PRN, line 2: '-1e306' is too large a number: beyond 1.8E308 mV once "
              "converted");
    EXPECT_EQ(readFailure("VM2/DAT\r\n3\r\nE (mV)\r\nI (mA)\r\nt (s)\r\n1 2 0\r\n1 -1.7e306 0\r\n",
                          "/x/milli.AA0"),
              "milli.AA0, line 7: '-1.7e306' is too large a number: beyond 1.8E308 \u00B5A once "
              "converted");
    // Up to the largest number that stays one after the conversion.
    EXPECT_EQ(ReadVoltammogram("1\r\n1e305, 1e302\r\n", "edge.OCV", '.').curve.size(), 1u);
}

TEST(VoltammogramFile, AFieldThatHoldsANulByteIsShownWholeInTheMessage) {
    try {
        ReadVoltammogram(std::string("1\r\n0.1, 1\0"
                                     "5\r\n",
                                     13),
                         "/x/nul.OCV", '.');
        ADD_FAILURE() << "a NUL byte was read as part of a number";
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(),
                     "nul.OCV, line 2: ' 1\\x005' is not a valid floating point value");
    }
}

TEST(VoltammogramFile, AUtf16FileIsNamedAsSuchInAWholeMessage) {
    // "2\r\n0.1, 1\r\n" in UTF-16, little- and big-endian, with and without
    // a byte-order mark.
    std::string little, big;
    for (const char c : std::string("2\r\n0.1, 1\r\n0.2, 2\r\n")) {
        little += std::string{c, '\0'};
        big += std::string{'\0', c};
    }
    for (const std::string& text : {"\xFF\xFE" + little, little, "\xFE\xFF" + big, big}) {
        const std::string message = readFailure(text, "/x/utf16.OCV");
        EXPECT_EQ(message, "utf16.OCV is UTF-16 text, not Windows text: save it as ANSI text");
    }
}

}  // namespace
}  // namespace ondrel
