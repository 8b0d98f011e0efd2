// Whole-file writes and reads of the model and curve files.
#include "files/file_io.h"
#include "test_support/failure_of.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "files/text_lines.h"
#include "platform/ondrel_error.h"
#include "test_support/file_size_limit.h"
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

    // A name near the file system's length limit still gets written.
    const std::string longName = std::string(250, 'm') + ".CVN";
    WriteWholeFile((dir / longName).string(), "Method:\r\n");
    EXPECT_EQ(ReadFile(dir / longName), "Method:\r\n");
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

TEST(WholeFileWrite, AFifoIsWrittenDirectlyAndStaysAFifo) {
    TempDir dir;
    const auto fifo = dir / "curve.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadFile(fifo); });
    WriteWholeFile(fifo.string(), "2\r\n");
    reader.join();
    EXPECT_EQ(received, "2\r\n");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
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

TEST(WholeFileRead, ADirectoryIsSaidToBeOneAndAByteOrderMarkIsNoText) {
    TempDir dir;
    EXPECT_EQ(FailureOf([&] { ReadWholeFile(dir.path().string()); }),
              "Cannot open file " + dir.path().string() + ": it is a directory");
    EXPECT_EQ(SplitLines("\xEF\xBB\xBFMethod:\r\n0\r\n"),
              (std::vector<std::string>{"Method:", "0"}));
}

}  // namespace
}  // namespace ondrel
