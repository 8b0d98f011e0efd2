// The tolvek program itself, run as a user or a script runs it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QStringList>
#include <algorithm>
#include <chrono>

#include "recording_port.h"
#include "test_files.h"
#include "test_support/process_run.h"

namespace tolvek {
namespace {

using testing::TempDir;

struct ProgramRun {
    int exitCode;
    QString out;
    QString err;
};

// A null backend leaves INPOUT32_BACKEND unset.
ProgramRun runTolvek(const QString& program, const QStringList& arguments, const QString& backend,
                     std::chrono::milliseconds timeout = std::chrono::minutes(2)) {
    test_support::ProcessOptions options;
    options.timeout = timeout;
    options.environment = {backend.isNull() ? "INPOUT32_BACKEND"
                                            : "INPOUT32_BACKEND=" + backend.toStdString()};
    std::vector<std::string> words;
    for (const QString& argument : arguments)
        words.push_back(argument.toStdString());
    const test_support::ProcessResult run =
        test_support::RunProcess(program.toStdString(), words, options);
    return {run.exitCode, QString::fromStdString(run.out), QString::fromStdString(run.err)};
}

ProgramRun download(const std::string& file, const QString& backend,
                    std::chrono::milliseconds timeout = std::chrono::minutes(2)) {
    return runTolvek(TOLVEK_BINARY, {"--download", QString::fromStdString(file)}, backend, timeout);
}

// The files in a folder, but for those named.
std::vector<std::string> filesIn(const std::filesystem::path& folder,
                                 const std::vector<std::string>& except) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (std::find(except.begin(), except.end(), entry.path().filename()) == except.end())
            names.push_back(entry.path().filename());
    return names;
}

TEST(TolvekProgram, DownloadMakesTheWritesOfWindowLoadAndOneStart) {
    TempDir dir;
    const auto trace = dir.path() / "trace.txt";
    const ProgramRun run = download(dir.write("one.txt", "4095, 0, 1, 1\n"),
                                    QString::fromStdString("trace:" + trace.string()));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("Download complete.\nTotal load time = "))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith(" ms for 1 bytes of data.\n"));

    std::vector<testing::PortWrite> expected = testing::windowLoadWrites();
    const auto start = testing::firstStartWrites({testing::serialWord(0x83, 0, 4095), 0u});
    expected.insert(expected.end(), start.begin(), start.end());
    EXPECT_EQ(testing::readFile(trace), testing::traceText(expected));
}

TEST(TolvekProgram, DownloadLoadsTheBoardSimulationAsTheFileHoldsIt) {
    TempDir dir;
    std::string contents, expected;
    for (int i = 0; i < 300; ++i) {
        const int v1 = (i * 37) % 4096, v2 = 4095 - (i * 11) % 4096, b0 = i % 2, b1 = (i / 2) % 2;
        contents += std::to_string(v1) + "," + std::to_string(v2) + "," + std::to_string(b0) + "," +
                    std::to_string(b1) + "\r\n";
        expected += std::to_string(i) + " " + std::to_string(128 + 2 * b1 + b0) + " " +
                    std::to_string(v2) + " " + std::to_string(v1) + "\n";
    }
    expected += "300 0 0 0\n";
    const auto memory = dir.path() / "board.txt";
    const ProgramRun run = download(dir.write("wave.txt", contents),
                                    QString::fromStdString("board:" + memory.string()));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("for 300 bytes of data."));
    EXPECT_EQ(testing::readFile(memory), expected);
}

TEST(TolvekProgram, ARefusedFileWritesNothingAndExitsNonZero) {
    TempDir dir;
    const auto trace = dir.path() / "trace.txt";
    const QString backend = QString::fromStdString("trace:" + trace.string());
    struct Case {
        std::string file;
        const char* message;
    };
    for (const Case& c :
         {Case{dir.write("wave.TXT", "1,2,0,0\n"),
               "INVALID FILENAME SELECTED, No data downloaded!"},
          Case{dir.write("big.txt", "1,2,0,0\n40000,0,0,0\n"),
               "Record 2, field 1: 40000 is outside -32768..32767. No data downloaded!"},
          Case{dir.write("short.txt", "1,2,0,0\n1,2\n"),
               "The file ends after field 2 of record 2. No data downloaded!"},
          Case{dir.write("empty.txt", ""), "holds no data"},
          Case{(dir.path() / "absent.txt").string(), "Cannot open"}}) {
        const ProgramRun run = download(c.file, backend);
        EXPECT_EQ(run.exitCode, 1) << c.file;
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_FALSE(std::filesystem::exists(trace) && std::filesystem::file_size(trace) > 0);
    }
}

TEST(TolvekProgram, AMissingLibraryOrUnusableBackendEndsWithTheLoadersText) {
    TempDir dir;
    const std::string file = dir.write("one.txt", "1,2,0,0\n");

    // The program alone in a folder, without the library beside it.
    const auto lonely = dir.path() / "tolvek";
    std::filesystem::copy_file(TOLVEK_BINARY, lonely);
    ProgramRun run = runTolvek(QString::fromStdString(lonely.string()),
                               {"--download", QString::fromStdString(file)}, "board");
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains("libinpout32.so")) << run.err.toStdString();

    run = download(file, "serial");
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains("unknown backend")) << run.err.toStdString();

    run = download(file, "ppdev:/nonexistent/parport7");
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains("/nonexistent/parport7")) << run.err.toStdString();
}

TEST(TolvekProgram, WithoutABackendAndWithoutAPortNothingIsDownloaded) {
    if (std::filesystem::exists("/dev/parport0"))
        GTEST_SKIP() << "this machine has a parallel port, which the download would drive";
    TempDir dir;
    const ProgramRun run = download(dir.write("one.txt", "1,2,0,0\n"), QString());
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains("no parallel port can be used: cannot open /dev/parport0: "))
        << run.err.toStdString();
}

TEST(TolvekProgram, AFileThatCannotTakeTheWritesFailsTheDownload) {
    TempDir dir;
    std::string records;
    for (int i = 0; i < 200; ++i)
        records += "4095,4095,1,1\n";
    const std::string file = dir.write("wave.txt", records);
    // Files may not grow past one kilobyte, as on a full disk; the signal
    // such a write raises is ignored so that the write fails instead.
    const QString limited = "ulimit -f 1; trap '' XFSZ; exec \"$0\" --download \"$1\"";
    for (const std::string& backend : {"trace:" + (dir.path() / "trace.txt").string(),
                                       "board:" + (dir.path() / "board.txt").string()}) {
        const ProgramRun run =
            runTolvek("/bin/sh", {"-c", limited, TOLVEK_BINARY, QString::fromStdString(file)},
                      QString::fromStdString(backend));
        EXPECT_EQ(run.exitCode, 4) << backend;
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains("Download failed: inpout32: ")) << run.err.toStdString();
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "board.txt"));
    }
    const ProgramRun folder =
        download(file, QString::fromStdString("board:" + dir.path().string()));
    EXPECT_EQ(folder.exitCode, 3);
    EXPECT_TRUE(folder.err.contains("is a directory")) << folder.err.toStdString();
}

TEST(TolvekProgram, AFileSizeLimitFailsTheBoardWriteWithoutLeavingATemporaryFile) {
    TempDir dir;
    std::string records;
    for (int i = 0; i < 200; ++i)
        records += "4095,4095,1,1\n";
    const std::string file = dir.write("wave.txt", records);
    // Unlike the test above, the file-size signal is left as the shell
    // has it: tolvek itself turns it into a write error.
    const ProgramRun run =
        runTolvek("/bin/sh",
                  {"-c", "ulimit -f 1; exec \"$0\" --download \"$1\"", TOLVEK_BINARY,
                   QString::fromStdString(file)},
                  QString::fromStdString("board:" + (dir.path() / "board.txt").string()));
    EXPECT_EQ(run.exitCode, 4) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Download failed: inpout32: board memory file: cannot write "))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("File too large")) << run.err.toStdString();
    EXPECT_EQ(filesIn(dir.path(), {"wave.txt"}), std::vector<std::string>{});
}

TEST(TolvekProgram, FifosWithoutTheirOtherEndAreRefusedInsteadOfHanging) {
    TempDir dir;
    const auto silent = dir.path() / "silent.txt";
    const auto unread = dir.path() / "board.fifo";
    ASSERT_EQ(mkfifo(silent.c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(unread.c_str(), 0600), 0);

    // A data file that no program writes: given up after a bounded wait.
    ProgramRun run = download(silent.string(), "board", std::chrono::seconds(60));
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_EQ(run.err.toStdString(), "No data came from " + silent.string() +
                                         " in 10 seconds: no program writes to it. No data "
                                         "downloaded!\n");

    // A board file that no program reads: the download fails and says so.
    run = download(dir.write("one.txt", "1,2,0,0\n"),
                   QString::fromStdString("board:" + unread.string()), std::chrono::seconds(60));
    EXPECT_EQ(run.exitCode, 4) << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith(
        QString::fromStdString("Download failed: inpout32: board memory file: cannot write " +
                               unread.string() + ": no program reads it.\n")))
        << run.err.toStdString();
}

TEST(TolvekProgram, AFileThatIsOneHugeNumberIsRefused) {
    TempDir dir;
    const ProgramRun run = download(dir.write("number.txt", std::string(10 << 20, '7')), "board");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    EXPECT_EQ(run.err,
              "Record 1, field 1: its number is longer than 4096 characters. No data "
              "downloaded!\n");
}

TEST(TolvekProgram, TheBoardMemoryGoesThroughALinkToItsTarget) {
    TempDir dir;
    const auto target = dir.path() / "memory.txt";
    const auto link = dir.path() / "link.txt";
    std::filesystem::create_symlink(target, link);
    const ProgramRun run = download(dir.write("one.txt", "4095,0,1,1\n"),
                                    QString::fromStdString("board:" + link.string()));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(testing::readFile(target), "0 131 0 4095\n1 0 0 0\n");
}

TEST(TolvekProgram, ABadCommandLineIsRefused) {
    EXPECT_EQ(runTolvek(TOLVEK_BINARY, {"--download"}, "board").exitCode, 2);
    EXPECT_EQ(runTolvek(TOLVEK_BINARY, {"--download", "a.txt", "b.txt"}, "board").exitCode, 2);
    const ProgramRun help = runTolvek(TOLVEK_BINARY, {"--help"}, "board");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--download FILE"));
}

}  // namespace
}  // namespace tolvek
