// The backends of the port-access library and the whole-file writes of its
// board memory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>

#include "inpout32/port_backend.h"
#include "inpout32/stream_output.h"
#include "inpout32/whole_file.h"
#include "test_files.h"
#include "test_support/file_size_limit.h"
#include "test_support/other_user.h"

namespace tolvek {
namespace {

using test_support::FileSizeLimit;
using testing::TempDir;

// Writes of one stored word: RESET high, SDATA 1, a shift clock, a store
// clock with WE low.
void storeOneBit(inpout32::PortBackend& backend) {
    backend.write(inpout32::kDataPort, 0x04);
    backend.write(inpout32::kControlPort, 0x00);
    backend.write(inpout32::kDataPort, 0x84);
    backend.write(inpout32::kDataPort, 0x0C);
}

TEST(PortBackends, BoardWritesItsMemoryAtSettleAndTraceListsEveryWrite) {
    TempDir dir;
    const auto memory = dir.path() / "memory.txt";
    const auto trace = dir.path() / "trace.txt";
    auto board = inpout32::openBackend("board:" + memory.string());
    auto tracer = inpout32::openBackend("trace:" + trace.string());
    ASSERT_TRUE(board.backend && tracer.backend);
    EXPECT_TRUE(board.fallback.empty());
    for (auto* backend : {board.backend.get(), tracer.backend.get()})
        storeOneBit(*backend);
    EXPECT_FALSE(std::filesystem::exists(memory));

    // Settled, both files are complete while the backends still live.
    board.backend->settle();
    tracer.backend->settle();
    EXPECT_EQ(testing::readFile(memory), "0 0 0 1\n");
    EXPECT_EQ(testing::readFile(trace), "378 04\n37A 00\n378 84\n378 0C\n");
    EXPECT_TRUE(board.backend->error().empty());
    EXPECT_TRUE(tracer.backend->error().empty());

    // Going away rewrites the memory only when it changed.
    std::filesystem::remove(memory);
    board.backend.reset();
    EXPECT_FALSE(std::filesystem::exists(memory));
}

TEST(PortBackends, UnknownOrUnusableBackendsSayWhy) {
    const auto unknown = inpout32::openBackend("serial");
    EXPECT_FALSE(unknown.backend);
    EXPECT_NE(unknown.error.find("unknown backend \"serial\""), std::string::npos);

    const auto device = inpout32::openBackend("ppdev:/nonexistent/parport9");
    EXPECT_FALSE(device.backend);
    EXPECT_EQ(device.error.rfind("inpout32: cannot open /nonexistent/parport9: ", 0), 0u)
        << device.error;

    TempDir dir;
    EXPECT_FALSE(inpout32::openBackend("trace:").backend);
    EXPECT_FALSE(inpout32::openBackend("trace:/nonexistent/dir/t.txt").backend);
    for (const std::string& file :
         {std::string("/nonexistent/dir/board.txt"), dir.path().string()}) {
        const auto board = inpout32::openBackend("board:" + file);
        EXPECT_FALSE(board.backend) << file;
        EXPECT_NE(board.error.find(file), std::string::npos) << board.error;
    }
}

TEST(PortBackends, WithoutASettingAnUnusablePortFallsBackToASimulationThatSaysWhy) {
    const auto opened = inpout32::openBackend("", "/nonexistent/parport0");
    ASSERT_TRUE(opened.backend);
    EXPECT_TRUE(opened.error.empty());
    EXPECT_EQ(opened.fallback, "cannot open /nonexistent/parport0: No such file or directory");

    // An explicit simulation is no fallback.
    EXPECT_TRUE(inpout32::openBackend("board").fallback.empty());
}

TEST(PortBackends, WritesThatCannotReachTheirFileAreReportedAtSettle) {
    TempDir dir;
    const auto trace = dir.path() / "trace.txt";
    const auto memory = dir.path() / "memory.txt";
    auto tracer = inpout32::openBackend("trace:" + trace.string());
    auto board = inpout32::openBackend("board:" + memory.string());
    ASSERT_TRUE(tracer.backend && board.backend);
    {
        const FileSizeLimit full(16);
        for (auto* backend : {tracer.backend.get(), board.backend.get()}) {
            for (int i = 0; i < 10; ++i)
                storeOneBit(*backend);
            backend->settle();
        }
    }
    EXPECT_NE(tracer.backend->error().find("cannot write trace file " + trace.string()),
              std::string::npos)
        << tracer.backend->error();
    EXPECT_NE(board.backend->error().find("cannot write " + memory.string()), std::string::npos)
        << board.backend->error();
    // The failed memory write left no file and no temporary behind.
    EXPECT_FALSE(std::filesystem::exists(memory));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    // The first failure stays, also once writes succeed again.
    tracer.backend->settle();
    EXPECT_FALSE(tracer.backend->error().empty());
}

TEST(WholeFile, FollowsLinksKeepsPermissionsAndReplacesWholeOrNotAtAll) {
    TempDir dir;
    const auto target = dir.path() / "target.txt";
    const auto link = dir.path() / "link.txt";
    dir.write("target.txt", "old\n");
    chmod(target.c_str(), 0640);
    std::filesystem::create_symlink("target.txt", link);

    EXPECT_EQ(inpout32::WriteWholeFile(link.string(), "new\n"), "");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(testing::readFile(target), "new\n");
    struct stat status {};
    ASSERT_EQ(stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);

    {
        const FileSizeLimit full(4);
        const std::string problem = inpout32::WriteWholeFile(link.string(), "far too long\n");
        EXPECT_NE(problem.find("File too large"), std::string::npos) << problem;
    }
    EXPECT_EQ(testing::readFile(target), "new\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);

    // Links in a loop lead to no file: the write is refused instead of
    // replacing one of the links.
    std::filesystem::create_symlink("loop2.txt", dir.path() / "loop1.txt");
    std::filesystem::create_symlink("loop1.txt", dir.path() / "loop2.txt");
    const std::string loop = (dir.path() / "loop1.txt").string();
    const std::string looping = "cannot write " + loop + ": " + std::strerror(ELOOP);
    EXPECT_EQ(inpout32::WholeFileTargetProblem(loop), looping);
    EXPECT_EQ(inpout32::WriteWholeFile(loop, "x"), looping);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "loop1.txt"));
    std::filesystem::remove(dir.path() / "loop1.txt");
    std::filesystem::remove(dir.path() / "loop2.txt");

    // A name near the file system's limit still gets its temporary file.
    const std::string longName(250, 'n');
    EXPECT_EQ(inpout32::WriteWholeFile((dir.path() / longName).string(), "x"), "");
    EXPECT_EQ(testing::readFile(dir.path() / longName), "x");
    EXPECT_NE(inpout32::WriteWholeFile(dir.path().string(), "x").find("is a directory"),
              std::string::npos);
}

TEST(WholeFile, AWriteProtectedFileIsNotReplacedThoughItsFolderAllowsIt) {
    TempDir dir;
    const auto file = dir.path() / "memory.txt";
    dir.write("memory.txt", "old\n");
    chmod(file.c_str(), 0444);
    chmod(dir.path().c_str(), 0777);
    const std::string refused = "cannot write " + file.string() + ": Permission denied";
    const int matched = test_support::RunAsUser([&] {
        return inpout32::WholeFileTargetProblem(file.string()) == refused &&
                       inpout32::WriteWholeFile(file.string(), "new\n") == refused
                   ? 0
                   : 1;
    });
    EXPECT_EQ(matched, 0);
    EXPECT_EQ(testing::readFile(file), "old\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// The bytes waiting in a FIFO opened for reading without blocking.
std::string drain(int fd) {
    std::string received;
    char block[4096];
    for (ssize_t got; (got = ::read(fd, block, sizeof block)) > 0;)
        received.append(block, static_cast<std::size_t>(got));
    return received;
}

TEST(WholeFile, AFifoIsWrittenDirectlyWhileAProgramReadsIt) {
    TempDir dir;
    const auto fifo = dir.path() / "memory.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    // No reader: refused at once instead of waiting for one.
    EXPECT_EQ(inpout32::WriteWholeFile(fifo.string(), "0 131 0 1\n"),
              "cannot write " + fifo.string() + ": no program reads it");
    const auto trace = inpout32::openBackend("trace:" + fifo.string());
    EXPECT_FALSE(trace.backend);
    EXPECT_EQ(trace.error,
              "inpout32: cannot open trace file " + fifo.string() + ": no program reads it");

    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(inpout32::WriteWholeFile(fifo.string(), "0 131 0 1\n"), "");
    EXPECT_EQ(drain(reader), "0 131 0 1\n");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    ::close(reader);
}

TEST(WholeFile, AReaderThatTakesNothingFailsTheWriteAfterItsPatience) {
    TempDir dir;
    const auto fifo = dir.path() / "stalled.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    std::string problem;
    const int writer = inpout32::OpenForWriting(fifo.string(), O_WRONLY, 0, problem);
    ASSERT_GE(writer, 0) << problem;
    // More than the pipe holds, and nobody reads.
    EXPECT_EQ(inpout32::WriteAll(writer, std::string(4 << 20, 'x'), std::chrono::milliseconds(100)),
              "the program reading it took nothing for 100 ms");
    ::close(writer);
    ::close(reader);
}

// A write interrupted by a termination signal leaves neither a temporary
// file nor a changed target; the signal then ends the program as before.
TEST(WholeFileDeathTest, ATerminationDuringTheWriteRemovesTheTemporaryFile) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempDir dir;
    const std::string target = dir.write("memory.txt", "old\n");
    EXPECT_EXIT(
        {
            // The write passes the file-size limit; the signal that raises
            // is turned into a termination in the middle of the write.
            const FileSizeLimit limit(1024);
            std::signal(SIGXFSZ, [](int) { std::raise(SIGTERM); });
            inpout32::WriteWholeFile(target, std::string(1 << 20, 'x'));
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_EQ(testing::readFile(target), "old\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "a temporary file was left";
}

}  // namespace
}  // namespace tolvek
