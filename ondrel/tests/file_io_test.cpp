// Whole-file writes and reads of the model and curve files.
#include "files/file_io.h"
#include "test_support/failure_of.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

#include "files/text_lines.h"
#include "platform/ondrel_error.h"
#include "platform/path_text.h"
#include "test_support/file_size_limit.h"
#include "test_support/other_user.h"
#include "test_support/temp_dir.h"

namespace ondrel {
namespace {

using test_support::FailureOf;

using test_support::ReadFile;
using test_support::TempDir;

std::size_t entries(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

TEST(WholeFileWrite, GoesThroughALinkToItsTargetAndKeepsThePermissions) {
    TempDir dir;
    const auto target = dir / "run.OCV";
    const auto link = dir / "latest.OCV";
    dir.write("run.OCV", "old\r\n");
    chmod(target.c_str(), 0640);
    std::filesystem::create_symlink("run.OCV", link);

    WriteWholeFile(link.string(), "new\r\n");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(target), "new\r\n");
    struct stat status {};
    ASSERT_EQ(stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);

    // Links in a loop lead to no file: the write is refused, as the system
    // refuses to open them, instead of replacing one of the links.
    std::filesystem::create_symlink("loop2.OCV", dir / "loop1.OCV");
    std::filesystem::create_symlink("loop1.OCV", dir / "loop2.OCV");
    const std::string loop = (dir / "loop1.OCV").string();
    const std::string looping = "Cannot write file " + loop + ": " + std::strerror(ELOOP);
    EXPECT_EQ(FailureOf([&] { CheckWritable(loop); }), looping);
    EXPECT_EQ(FailureOf([&] { WriteWholeFile(loop, "new\r\n"); }), looping);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "loop1.OCV"));

    // A name near the file system's length limit still gets written.
    const std::string longName = std::string(250, 'm') + ".CVN";
    WriteWholeFile((dir / longName).string(), "Method:\r\n");
    EXPECT_EQ(ReadFile(dir / longName), "Method:\r\n");
}

TEST(WholeFileWrite, AWriteProtectedFileIsNotReplacedThoughItsFolderAllowsIt) {
    TempDir dir;
    const auto file = dir / "kept.OCV";
    dir.write("kept.OCV", "old\r\n");
    chmod(file.c_str(), 0444);
    chmod(dir.path().c_str(), 0777);
    const std::string refused = "Cannot write file " + file.string() + ": Permission denied";
    const int matched = test_support::RunAsUser([&] {
        const bool checked = FailureOf([&] { CheckWritable(file.string()); }) == refused;
        const bool written =
            FailureOf([&] { WriteWholeFile(file.string(), "new\r\n"); }) == refused;
        return checked && written ? 0 : 1;
    });
    EXPECT_EQ(matched, 0);
    EXPECT_EQ(ReadFile(file), "old\r\n");
    EXPECT_EQ(entries(dir.path()), 1u);
}

TEST(WholeFileWrite, AWriteThatFailsPartWayLeavesTheOldFileAndNoTemporary) {
    TempDir dir;
    const auto file = dir / "model.CVN";
    dir.write("model.CVN", "old model\r\n");
    const std::string failure = FailureOf([&] {
        const test_support::FileSizeLimit full(64);
        WriteWholeFile(file.string(), std::string(100000, 'x'));
    });
    EXPECT_EQ(failure.rfind("Cannot write file " + file.string() + ": ", 0), 0u) << failure;
    EXPECT_EQ(ReadFile(file), "old model\r\n");
    EXPECT_EQ(entries(dir.path()), 1u);

    EXPECT_EQ(FailureOf([&] { WriteWholeFile(dir.path().string(), "x"); }),
              "Cannot write file " + dir.path().string() + ": it is a directory");
    EXPECT_NE(FailureOf([&] {
                  WriteWholeFile((dir / "no/such/folder.CVN").string(), "x");
              }).find("Cannot create file"),
              std::string::npos);
}

// Patience as a batch run has it, shortened for the tests that wait it out.
StreamPatience patience(std::chrono::milliseconds forPeer, std::chrono::milliseconds forProgress) {
    return {forPeer, forProgress, {}, {}};
}

class FifoTest : public ::testing::Test {
protected:
    FifoTest() : fifo((dir / "curve.fifo").string()) {
        if (mkfifo(fifo.c_str(), 0600) != 0)
            ADD_FAILURE() << "cannot make a FIFO";
    }
    TempDir dir;
    std::string fifo;
};

TEST_F(FifoTest, AWriteGoesDirectlyToTheProgramThatReadsIt) {
    // The reader may come before or after the write begins to wait for it.
    std::string received;
    std::thread reader([&] { received = ReadFile(fifo); });
    WriteWholeFile(fifo, "2\r\n", patience(std::chrono::minutes(1), std::chrono::minutes(1)));
    reader.join();
    EXPECT_EQ(received, "2\r\n");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST_F(FifoTest, AWriteWithoutAReaderIsRefusedInsteadOfWaitingForOne) {
    EXPECT_EQ(FailureOf([&] { WriteWholeFile(fifo, "2\r\n"); }),
              "Cannot write file " + fifo + ": no program reads it");
    EXPECT_EQ(FailureOf([&] {
                  WriteWholeFile(fifo, "2\r\n", patience(std::chrono::milliseconds(100), {}));
              }),
              "Cannot write file " + fifo + ": no program reads it (waited 100 ms)");
    // A reader that takes nothing: the write gives up after its patience.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(FailureOf([&] {
                  WriteWholeFile(fifo, std::string(4 << 20, 'x'),
                                 patience({}, std::chrono::milliseconds(100)));
              }),
              "Cannot write file " + fifo + ": the program reading it took nothing for 100 ms");
    ::close(reader);
    // A batch run's Ctrl+C ends the wait.
    StreamPatience stopped = patience(std::chrono::minutes(1), {});
    stopped.stop = [] { return true; };
    EXPECT_EQ(FailureOf([&] { WriteWholeFile(fifo, "2\r\n", stopped); }),
              "Stopped while waiting on " + fifo);
}

TEST_F(FifoTest, AReadWaitsForTheWriterWithinItsPatience) {
    EXPECT_EQ(FailureOf([&] { ReadWholeFile(fifo); }),
              "Cannot read file " + fifo + ": no program writes to it");
    EXPECT_EQ(FailureOf([&] { ReadWholeFile(fifo, patience(std::chrono::milliseconds(100), {})); }),
              "Cannot read file " + fifo + ": no program writes to it (waited 100 ms)");

    std::thread writer([&] {
        const int fd = ::open(fifo.c_str(), O_WRONLY);
        const std::string text = "Especes:\r\n0\r\n";
        EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        ::close(fd);
    });
    EXPECT_EQ(ReadWholeFile(fifo, patience(std::chrono::minutes(1), std::chrono::minutes(1))),
              "Especes:\r\n0\r\n");
    writer.join();
}

TEST(WholeFileWrite, TheOutputIsCheckedBeforeWorkThatWouldBeLost) {
    TempDir dir;
    EXPECT_NO_THROW(CheckWritable((dir / "new.OCV").string()));
    EXPECT_EQ(FailureOf([&] { CheckWritable((dir / "absent/new.OCV").string()); }),
              "Cannot create file " + (dir / "absent/new.OCV").string() + ": the folder " +
                  (dir / "absent").string() + " does not exist");
    EXPECT_EQ(FailureOf([&] { CheckWritable(dir.path().string()); }),
              "Cannot write file " + dir.path().string() + ": it is a directory");
}

TEST(WholeFileWrite, AFailedWriteSaysWhy) {
    TempDir dir;
    const auto file = dir / "model.CVN";
    EXPECT_EQ(FailureOf([&] {
                  const test_support::FileSizeLimit full(64);
                  WriteWholeFile(file.string(), std::string(100000, 'x'));
              }),
              "Cannot write file " + file.string() + ": File too large");
    EXPECT_EQ(entries(dir.path()), 0u);
}

TEST(FileNames, BytesThatAreNotUtf8AreKeptAsTheUserGaveThem) {
    TempDir dir;
    const std::string ff = (dir / "o").string() + "\xFF.OCV";
    const std::string fe = (dir / "o").string() + "\xFE.OCV";
    WriteWholeFile(ff, "1\r\n");
    WriteWholeFile(fe, "2\r\n");
    EXPECT_EQ(ReadWholeFile(ff), "1\r\n");
    EXPECT_EQ(ReadWholeFile(fe), "2\r\n");
    EXPECT_EQ(entries(dir.path()), 2u);

    // Through the window's text of a name and back, byte for byte.
    for (const std::string& bytes :
         {ff, std::string("caf\xC3\xA9.CVN"), std::string("a\xC3.CVN"), std::string("\xED\xA0\x80"),
          std::string("\xF0\x9F\x98\x80\x80.OCV"), std::string("\xF0\x9F\x82\x80.MEC")}) {
        const QString text = PathText(bytes);
        EXPECT_EQ(PathBytes(text), bytes) << bytes;
    }
    EXPECT_EQ(PathText("caf\xC3\xA9.CVN"), QString::fromUtf8("caf\xC3\xA9.CVN"));
    EXPECT_EQ(PathText("o\xFF").size(), 2);
    EXPECT_EQ(PathBytes(QString::fromUtf8("\xF0\x9F\x98\x80")), "\xF0\x9F\x98\x80");
}

TEST(FileNames, AnotherNameOfTheSameFileIsKnownAsIt) {
    TempDir dir;
    const std::string model = dir.write("m.CVN", "Method:\r\n");
    std::filesystem::create_symlink(model, dir / "link.CVN");
    std::filesystem::create_hard_link(model, dir / "hard.CVN");
    std::filesystem::create_directory(dir / "sub");
    EXPECT_TRUE(SameFile(model, (dir / "link.CVN").string()));
    EXPECT_TRUE(SameFile(model, (dir / "hard.CVN").string()));
    EXPECT_TRUE(SameFile(model, (dir / "sub/../m.CVN").string()));
    EXPECT_FALSE(SameFile(model, dir.write("other.CVN", "Method:\r\n")));
    EXPECT_FALSE(SameFile(model, (dir / "absent.CVN").string()));
}

TEST(WholeFileRead, AnInputLargerThanAnyModelOrCurveIsRefused) {
    TempDir dir;
    const auto big = dir / "big.OCV";
    std::ofstream(big).put('1');
    std::filesystem::resize_file(big, kMaxFileBytes + 1);  // sparse: no disk used
    const std::string tooLarge = ": it holds more than 64 MiB, more than any model or curve file";
    EXPECT_EQ(FailureOf([&] { ReadWholeFile(big.string()); }),
              "Cannot read file " + big.string() + tooLarge);
    std::filesystem::resize_file(big, kMaxFileBytes);
    EXPECT_EQ(ReadWholeFile(big.string()).size(), kMaxFileBytes);

    // An endless device is read up to the limit, not to the end of memory.
    std::filesystem::create_symlink("/dev/zero", dir / "zero.CVN");
    EXPECT_EQ(FailureOf([&] { ReadWholeFile((dir / "zero.CVN").string()); }),
              "Cannot read file " + (dir / "zero.CVN").string() + tooLarge);
}

TEST(WholeFileRead, ADirectoryIsSaidToBeOneAndAByteOrderMarkIsNoText) {
    TempDir dir;
    EXPECT_EQ(FailureOf([&] { ReadWholeFile(dir.path().string()); }),
              "Cannot open file " + dir.path().string() + ": it is a directory");
    EXPECT_EQ(SplitLines("\xEF\xBB\xBFMethod:\r\n0\r\n"),
              (std::vector<std::string>{"Method:", "0"}));
}

}  // namespace
}  // namespace ondrel
