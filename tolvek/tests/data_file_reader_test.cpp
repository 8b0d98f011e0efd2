#include "datafile/data_file_reader.h"

#include <gtest/gtest.h>

#include <cmath>

#include "datafile/field_number.h"
#include "test_files.h"

namespace tolvek {
namespace {

using testing::TempDir;

TEST(FieldNumber, ReadsTheLongestLeadingDecimalNumber) {
    EXPECT_EQ(FieldNumber("12"), 12);
    EXPECT_EQ(FieldNumber("  -7 "), -7);
    EXPECT_EQ(FieldNumber("+3"), 3);
    EXPECT_EQ(FieldNumber("12abc"), 12);
    EXPECT_EQ(FieldNumber("1.5e2x"), 150);
    EXPECT_EQ(FieldNumber("2e"), 2);  // an exponent needs digits
    EXPECT_EQ(FieldNumber("2e+"), 2);
    EXPECT_EQ(FieldNumber(".5"), 0.5);
    EXPECT_EQ(FieldNumber("4."), 4);
    EXPECT_EQ(FieldNumber(""), 0);
    EXPECT_EQ(FieldNumber("abc"), 0);
    EXPECT_EQ(FieldNumber("x12"), 0);   // the number must lead
    EXPECT_EQ(FieldNumber("0x1F"), 0);  // no hexadecimal
    EXPECT_EQ(FieldNumber("inf"), 0);
    EXPECT_EQ(FieldNumber("1 2\t0 1"), 1201);  // blanks and tabs inside are skipped
    EXPECT_EQ(FieldNumber("1\n5"), 15);
    EXPECT_TRUE(std::isinf(FieldNumber("1e999")));
    EXPECT_EQ(FieldNumber("1e-999"), 0);
}

TEST(FieldNumber, RoundsHalvesToEven) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(2.5001), 3);
}

TEST(DataFileName, MustEndInLowerCaseTxt) {
    EXPECT_TRUE(IsDataFileName("/any/folder/wave.txt"));
    EXPECT_FALSE(IsDataFileName("/any/folder/wave.TXT"));
    EXPECT_FALSE(IsDataFileName("wave.txt.bak"));
    EXPECT_FALSE(IsDataFileName(""));
}

class DataFileReaderTest : public ::testing::Test {
protected:
    DataFileResult read(const std::string& contents) {
        table.reset();
        return ReadDataFile(dir.write("wave.txt", contents), table, [] { return true; });
    }
    TempDir dir;
    WaveTable table;
};

TEST_F(DataFileReaderTest, OneLineGivesOneEntryAndTheEndMark) {
    const DataFileResult result = read("4095, 0, 1, 1\n");
    EXPECT_EQ(result.status, kLoaded);
    EXPECT_EQ(result.EntryCount, 2);
    EXPECT_EQ(table[1], (WaveEntry{0x83, 0, 4095}));
    EXPECT_EQ(table[2].ControlWord, 0);
}

TEST_F(DataFileReaderTest, CommasAndLineEndsSeparateFieldsAlike) {
    const DataFileResult split = read("1\n2\n0\n1\r\n5,6\r7,0");
    EXPECT_EQ(split.status, kLoaded);
    ASSERT_EQ(split.EntryCount, 3);
    EXPECT_EQ(table[1], (WaveEntry{2 * 1 + 0 + 128, 2, 1}));
    EXPECT_EQ(table[2], (WaveEntry{2 * 0 + 7 + 128, 6, 5}));
}

TEST_F(DataFileReaderTest, BlanksBetweenNumbersJoinThemIntoOneField) {
    const DataFileResult result = read("1 2 0 1\n3\n4\n5\n");
    EXPECT_EQ(result.EntryCount, 2);
    EXPECT_EQ(table[1].Value1, 1201);
    EXPECT_EQ(table[1].Value2, 3);
    EXPECT_EQ(table[1].ControlWord, 2 * 5 + 4 + 128);
}

TEST_F(DataFileReaderTest, FieldsConvertWithHalvesToEvenAndTextAsZero) {
    read("2.5,3.5,,abc\n12volts,-1,0,0\n");
    EXPECT_EQ(table[1], (WaveEntry{128, 4, 2}));
    EXPECT_EQ(table[2], (WaveEntry{128, -1, 12}));
}

TEST_F(DataFileReaderTest, AThirdFieldOf128MakesAnEndMarkByte) {
    read("1,2,128,0\n");
    EXPECT_EQ(table[1].ControlWord & 0xFF, 0);
}

TEST_F(DataFileReaderTest, ALoneLastFieldIsDroppedAndAPresetEntrySent) {
    const DataFileResult result = read("1,2,0,0\n99\n");
    EXPECT_EQ(result.status, kLoaded);
    ASSERT_EQ(result.EntryCount, 3);
    EXPECT_EQ(table[2], WaveEntry{});
    EXPECT_EQ(table[3].ControlWord, 0);
}

TEST_F(DataFileReaderTest, BlankLinesAreNoFields) {
    const DataFileResult result = read("\n  \n1,2,0,0\n\n\t\n3,4,1,0\n\n\n");
    EXPECT_EQ(result.status, kLoaded);
    ASSERT_EQ(result.EntryCount, 3);
    EXPECT_EQ(table[2], (WaveEntry{129, 4, 3}));
}

TEST_F(DataFileReaderTest, AShortLastRecordStopsWithItsStatus) {
    DataFileResult result = read("1,2,0,0\n5,6\n");
    EXPECT_EQ(result.status, kEndedAfterField2);
    EXPECT_EQ(result.message, "The file ends after field 2 of record 2. No data downloaded!");
    result = read("1,2,0,0\n5,6,1");
    EXPECT_EQ(result.status, kEndedAfterField3);
}

TEST_F(DataFileReaderTest, ValuesOutsideSixteenBitsAreRefusedWithRecordAndField) {
    std::string file;
    for (int i = 1; i < 12; ++i)
        file += "1,1,0,0\n";
    DataFileResult result = read(file + "40000,0,0,0\n");
    EXPECT_EQ(result.status, kOutsideLimits);
    EXPECT_EQ(result.message,
              "Record 12, field 1: 40000 is outside -32768..32767. No data downloaded!");

    EXPECT_EQ(read("0,-32768.5,0,0").status, kLoaded);  // rounds to the even -32768
    EXPECT_EQ(read("0,-32769,0,0").status, kOutsideLimits);
    EXPECT_EQ(read("0,0,0,1e999").status, kOutsideLimits);
}

TEST_F(DataFileReaderTest, EachStepOfTheControlWordMustStayInSixteenBits) {
    EXPECT_EQ(read("0,0,0,20000").message,
              "Record 1, field 4: 2 x 20000 = 40000 is outside -32768..32767. No data "
              "downloaded!");
    EXPECT_EQ(read("0,0,1000,16000").message,
              "Record 1, fields 3 and 4: 2 x 16000 + 1000 = 33000 is outside -32768..32767. "
              "No data downloaded!");
    EXPECT_EQ(read("0,0,700,16000").message,
              "Record 1, fields 3 and 4: the control word 2 x 16000 + 700 + 128 = 32828 is "
              "outside -32768..32767. No data downloaded!");
    EXPECT_EQ(read("0,0,511,16000").status, kLoaded);
}

TEST_F(DataFileReaderTest, HoldsAtMost32767Records) {
    std::string file;
    for (int i = 0; i < kMaxRecords; ++i)
        file += "1,2,1,0\n";
    const DataFileResult full = read(file);
    EXPECT_EQ(full.status, kLoaded);
    EXPECT_EQ(full.EntryCount, kWaveTableSize);
    EXPECT_EQ(table[kWaveTableSize].ControlWord, 0);

    const DataFileResult over = read(file + "7\n");
    EXPECT_EQ(over.status, kOutsideLimits);
    EXPECT_EQ(over.message, "The file holds more than 32767 records. No data downloaded!");
}

TEST_F(DataFileReaderTest, EmptyOrUnreadableFilesAreRefused) {
    EXPECT_EQ(read("").status, kOutsideLimits);
    EXPECT_EQ(read("\n \r\n\t\n").status, kOutsideLimits);
    EXPECT_NE(read("").message.find("holds no data"), std::string::npos);

    const DataFileResult missing =
        ReadDataFile((dir.path() / "absent.txt").string(), table, [] { return true; });
    EXPECT_EQ(missing.status, kOutsideLimits);
    EXPECT_NE(missing.message.find("Cannot open"), std::string::npos);

    const DataFileResult folder = ReadDataFile(dir.path().string(), table, [] { return true; });
    EXPECT_EQ(folder.status, kOutsideLimits);
}

TEST_F(DataFileReaderTest, YieldsOncePerRecordAndCanBeAbandoned) {
    const std::string path = dir.write("three.txt", "1,1,0,0\n2,2,0,0\n3,3,0,0\n");
    int yields = 0;
    ReadDataFile(path, table, [&] { return ++yields, true; });
    EXPECT_EQ(yields, 2);  // between records
    EXPECT_EQ(ReadDataFile(path, table, [] { return false; }).status, kAbandoned);
}

}  // namespace
}  // namespace tolvek
