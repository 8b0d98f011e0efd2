#include "datafile/data_file_reader.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <thread>

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
    EXPECT_EQ(read("0,32768,0,0").status, kOutsideLimits);
    EXPECT_EQ(read("0,0,0,1e999").status, kOutsideLimits);
}

TEST_F(DataFileReaderTest, TheSixteenBitBoundsThemselvesAreAccepted) {
    const DataFileResult values = read("32767,-32768,0,0\n-32768,32767,0,0\n");
    ASSERT_EQ(values.status, kLoaded) << values.message;
    EXPECT_EQ(table[1], (WaveEntry{128, -32768, 32767}));
    EXPECT_EQ(table[2], (WaveEntry{128, 32767, -32768}));

    // Each step of the control word may reach either bound.
    ASSERT_EQ(read("0,0,639,16000").status, kLoaded);  // 2 x 16000 + 639 + 128 = 32767
    EXPECT_EQ(table[1].ControlWord, 32767);
    ASSERT_EQ(read("0,0,32767,0").status, kOutsideLimits);  // + 128 leaves the range
    ASSERT_EQ(read("0,0,-32768,0").status, kLoaded);
    EXPECT_EQ(table[1].ControlWord, -32640);
    ASSERT_EQ(read("0,0,0,-16384").status, kLoaded);  // doubled to -32768
    EXPECT_EQ(table[1].ControlWord, -32640);
    EXPECT_EQ(read("0,0,0,16383.5").status, kOutsideLimits);
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

TEST_F(DataFileReaderTest, LongFieldsAreNeverCutIntoAnotherNumber) {
    // Blanks do not count against the field's text limit.
    EXPECT_EQ(read("1" + std::string(5000, ' ') + "99999,0,0,0\n").message,
              "Record 1, field 1: 199999 is outside -32768..32767. No data downloaded!");
    const DataFileResult joined = read("1" + std::string(5000, '\t') + "2,0,0,0\n");
    EXPECT_EQ(joined.status, kLoaded);
    EXPECT_EQ(table[1].Value1, 12);

    // A number longer than the limit is refused, not read as its first part.
    const DataFileResult zeros = read("7,0,0,0\n0,5," + std::string(1 << 20, '0') + "99999,0\n");
    EXPECT_EQ(zeros.status, kOutsideLimits);
    EXPECT_EQ(zeros.message,
              "Record 2, field 3: its number is longer than 4096 characters. No data downloaded!");

    // A short number followed by long text is still that number.
    const DataFileResult trailing = read("12" + std::string(10000, 'x') + ",0,0,0\n");
    EXPECT_EQ(trailing.status, kLoaded);
    EXPECT_EQ(table[1].Value1, 12);
}

TEST_F(DataFileReaderTest, ANumberMayBe4096CharactersLongAndNoLonger) {
    const std::string longest = std::string(4095, '0') + "7";
    DataFileResult result = read(longest + "x,0,0,0\n");
    ASSERT_EQ(result.status, kLoaded) << result.message;
    EXPECT_EQ(table[1].Value1, 7);
    EXPECT_EQ(read(longest + ",1," + longest + "e,0\n").status, kLoaded);

    const char* tooLong =
        "Record 1, field 1: its number is longer than 4096 characters. No data downloaded!";
    EXPECT_EQ(read("0" + longest + "x,0,0,0\n").message, tooLong);
    // An exponent or sign that a digit completes belongs to the number.
    EXPECT_EQ(read(std::string(4094, '0') + "7e+5,0,0,0\n").message, tooLong);
    EXPECT_EQ(read(std::string(4094, '0') + "7e+x,0,0,0\n").status, kLoaded);
    EXPECT_EQ(read("-." + std::string(4095, '0') + ",0,0,0\n").message, tooLong);

    // The longest number can be beyond what any reader converts; it is
    // refused for its size, not as an infinity.
    EXPECT_EQ(read(std::string(4096, '7') + "x,0,0,0\n").message,
              "Record 1, field 1: its number is beyond 1.8E308, outside -32768..32767. No data "
              "downloaded!");
    EXPECT_EQ(read("1,-" + std::string(4095, '7') + ",0,0\n").message,
              "Record 1, field 2: its number is beyond -1.8E308, outside -32768..32767. No data "
              "downloaded!");
}

TEST_F(DataFileReaderTest, AnOverlongLoneNumberIsRefusedAsSoonAsItIsSeen) {
    // A file that is one 10 MiB number holds no record; it is not a lone
    // last field to drop but a number beyond the limit, refused without
    // reading the rest of it.
    int yields = 0;
    const DataFileResult result =
        ReadDataFile(dir.write("number.txt", std::string(10 << 20, '7') + "\n"), table,
                     [&] { return ++yields, true; });
    EXPECT_EQ(result.status, kOutsideLimits);
    EXPECT_EQ(result.message,
              "Record 1, field 1: its number is longer than 4096 characters. No data downloaded!");
    EXPECT_EQ(yields, 0) << "read far past the limit";

    EXPECT_EQ(read("1,2,0,0\n3," + std::string(5000, '9')).message,
              "Record 2, field 2: its number is longer than 4096 characters. No data downloaded!");
}

TEST_F(DataFileReaderTest, AUtf8MarkIsSkippedAndUtf16OrBinaryFilesAreRefused) {
    const DataFileResult marked = read(
        "\xEF\xBB\xBF"
        "4095,0,1,1\r\n");
    EXPECT_EQ(marked.status, kLoaded);
    EXPECT_EQ(table[1], (WaveEntry{0x83, 0, 4095}));

    const std::string utf16le(
        "\xFF\xFE"
        "4\0,\0"
        "1\0,\0"
        "0\0,\0"
        "0\0",
        16);
    const std::string utf16WithoutMark(
        "4\0,\0"
        "1\0",
        6);
    const std::string utf16be(
        "\xFE\xFF\0"
        "4",
        4);
    for (const std::string& contents : {utf16le, utf16WithoutMark, utf16be}) {
        const DataFileResult result = read(contents);
        EXPECT_EQ(result.status, kOutsideLimits);
        EXPECT_NE(result.message.find("is UTF-16 text"), std::string::npos) << result.message;
        EXPECT_EQ(table[1], WaveEntry{}) << "nothing stored";
    }

    const DataFileResult binary = read(std::string("1,2,3,0\n9,\0\0\0", 13));
    EXPECT_EQ(binary.status, kOutsideLimits);
    EXPECT_NE(binary.message.find("is not a text file: byte 11 is a NUL byte."), std::string::npos)
        << binary.message;
}

TEST_F(DataFileReaderTest, ALongRunWithoutRecordsStillYieldsAndCanBeAbandoned) {
    // One endless field of text or blank lines: no record ends, yet the
    // reader lets events run and stops when told. (An endless number is
    // refused at its limit.)
    for (const std::string& contents :
         {"7" + std::string(1 << 20, 'x'), std::string(1 << 20, '\n'), std::string(1 << 20, ' ')}) {
        int yields = 0;
        const DataFileResult result =
            ReadDataFile(dir.write("run.txt", contents), table, [&] { return ++yields < 3; });
        EXPECT_EQ(result.status, kAbandoned);
        EXPECT_EQ(yields, 3);
    }
}

// A FIFO is opened without waiting for a writer; the read then waits for
// one between yields, for its patience at most.
class FifoReadTest : public DataFileReaderTest {
protected:
    FifoReadTest() : fifo((dir.path() / "fifo.txt").string()) {
        if (mkfifo(fifo.c_str(), 0600) != 0)
            ADD_FAILURE() << "cannot make a FIFO";
    }
    // Writes contents into the FIFO from another thread once the read has
    // begun to wait for it.
    std::function<void()> writerOnWait(const std::string& contents) {
        return [this, contents] {
            writer = std::thread([this, contents] {
                const int fd = ::open(fifo.c_str(), O_WRONLY);
                const ssize_t written = ::write(fd, contents.data(), contents.size());
                EXPECT_EQ(written, static_cast<ssize_t>(contents.size()));
                ::close(fd);
            });
        };
    }
    ~FifoReadTest() override {
        if (writer.joinable())
            writer.join();
    }
    std::string fifo;
    std::thread writer;
};

TEST_F(FifoReadTest, WithoutAWriterTheReadGivesUpAfterItsPatience) {
    int waits = 0, yields = 0;
    const DataFileResult result = ReadDataFile(
        fifo, table, [&] { return ++yields, true; }, std::chrono::milliseconds(100),
        [&] { ++waits; });
    EXPECT_EQ(result.status, kOutsideLimits);
    EXPECT_EQ(result.message, "No data came from " + fifo +
                                  " in 0.1 seconds: no program writes to it. No data downloaded!");
    EXPECT_EQ(waits, 1);
    EXPECT_GT(yields, 0) << "events ran while it waited";
}

TEST_F(FifoReadTest, AWaitWithoutPatienceEndsWhenTheProgramEnds) {
    int yields = 0;
    const DataFileResult result = ReadDataFile(fifo, table, [&] { return ++yields < 5; });
    EXPECT_EQ(result.status, kAbandoned);
    EXPECT_EQ(yields, 5);
}

TEST_F(FifoReadTest, AWriterThatComesLateIsReadWhole) {
    const DataFileResult result = ReadDataFile(
        fifo, table, [] { return true; }, std::chrono::seconds(60),
        writerOnWait("4095,0,1,1\n1,2,0,0\n"));
    ASSERT_EQ(result.status, kLoaded) << result.message;
    EXPECT_EQ(result.EntryCount, 3);
    EXPECT_EQ(table[1], (WaveEntry{0x83, 0, 4095}));
    EXPECT_EQ(table[2], (WaveEntry{128, 2, 1}));
}

TEST_F(FifoReadTest, AWriterThatSendsNothingLeavesAnEmptyFile) {
    const DataFileResult result = ReadDataFile(
        fifo, table, [] { return true; }, std::chrono::seconds(60), writerOnWait(""));
    EXPECT_EQ(result.status, kOutsideLimits);
    EXPECT_EQ(result.message, "The file " + fifo + " holds no data. No data downloaded!");
}

}  // namespace
}  // namespace tolvek
