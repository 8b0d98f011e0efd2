#include "board/download_session.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/headless_download.h"
#include "recording_port.h"
#include "test_files.h"

namespace tolvek {
namespace {

using testing::RecordingPort;
using testing::TempDir;

class ScriptedHost final : public DownloadHost {
public:
    std::string ChooseDataFile(const std::string& title, int filterIndex) override {
        dialogTitle = title;
        dialogFilterIndex = filterIndex;
        return chosen;
    }
    void ShowFileName(const std::string& path) override { fileName = path; }
    void ShowStatus(const std::string& text) override { statuses.push_back(text); }
    bool YieldEvents() override { return yieldAnswer ? yieldAnswer() : true; }
    std::uint32_t TickCount() override { return ticks.empty() ? 0 : ticks[tick++ % ticks.size()]; }

    std::string chosen;
    std::string dialogTitle;
    int dialogFilterIndex = 0;
    std::string fileName = "No File Loaded";
    std::vector<std::string> statuses;
    std::function<bool()> yieldAnswer;
    std::vector<std::uint32_t> ticks;
    std::size_t tick = 0;
};

class DownloadSessionTest : public ::testing::Test {
protected:
    DownloadSessionTest() : session(port) {}
    TempDir dir;
    RecordingPort port;
    DownloadSession session;
    ScriptedHost host;
};

TEST_F(DownloadSessionTest, AOneRecordStartWritesTheReferenceSequence) {
    session.WindowLoad();
    EXPECT_EQ(port.writes, testing::windowLoadWrites());
    port.writes.clear();

    host.chosen = dir.write("one.txt", "4095,0,1,1\r\n");
    host.ticks = {1000, 1042};
    const DataFileResult result = session.Start(host);

    EXPECT_EQ(result.status, kLoaded);
    EXPECT_EQ(host.dialogTitle, "Select Waveform Data File");
    EXPECT_EQ(host.dialogFilterIndex, 1);
    EXPECT_EQ(host.fileName, host.chosen);
    EXPECT_EQ(session.DataFileName, host.chosen);
    EXPECT_EQ(port.writes, testing::firstStartWrites({testing::serialWord(0x83, 0, 4095), 0u}));
    EXPECT_EQ(host.statuses, (std::vector<std::string>{
                                 "", "Please wait, downloading data into RAM...",
                                 "Download complete.\r\nTotal load time = 42 ms for 1 bytes of "
                                 "data."}));
}

TEST_F(DownloadSessionTest, TheElapsedTimeSurvivesACounterWrap) {
    EXPECT_EQ(ElapsedMs(0xFFFFFF00u, 0x10u), 0x110u);
    session.WindowLoad();
    host.chosen = dir.write("one.txt", "1,2,0,0\n");
    host.ticks = {0xFFFFFFF0u, 0x0000000Au};
    session.Start(host);
    EXPECT_EQ(host.statuses.back(),
              "Download complete.\r\nTotal load time = 26 ms for 1 bytes of data.");
}

TEST_F(DownloadSessionTest, RefusedNamesAndCancelWriteNothingAndSaySo) {
    for (const std::string& name :
         {std::string(), dir.write("upper.TXT", "1,2,3,4\n"), dir.write("wave.dat", "1,2,3,4\n")}) {
        host.chosen = name;
        host.statuses.clear();
        EXPECT_EQ(session.Start(host).status, kNoFileChosen);
        EXPECT_EQ(host.statuses.back(), "INVALID FILENAME SELECTED, No data downloaded!");
    }
    EXPECT_EQ(host.fileName, "No File Loaded");
    EXPECT_TRUE(port.writes.empty());
}

TEST_F(DownloadSessionTest, AShortLastRecordWritesNothingAndLeavesTheStatusEmpty) {
    host.chosen = dir.write("short.txt", "1,2,0,0\n3,4,1\n");
    EXPECT_EQ(session.Start(host).status, kEndedAfterField3);
    EXPECT_EQ(host.statuses, std::vector<std::string>{""});
    EXPECT_EQ(host.fileName, host.chosen);
    EXPECT_TRUE(port.writes.empty());
}

TEST_F(DownloadSessionTest, AFileBeyondTheLimitsWritesNothingAndNamesTheFault) {
    std::string contents;
    for (int i = 0; i < 300; ++i)
        contents += "1,2,0,0\n";
    host.chosen = dir.write("late.txt", contents + "0,70000,0,0\n");
    EXPECT_EQ(session.Start(host).status, kOutsideLimits);
    EXPECT_EQ(host.statuses.back(),
              "Record 301, field 2: 70000 is outside -32768..32767. No data downloaded!");
    EXPECT_TRUE(port.writes.empty());
}

TEST_F(DownloadSessionTest, EveryStartBeginsFromThePresetTable) {
    host.chosen = dir.write("two.txt", "1,2,1,1\n3,4,1,1\n");
    session.Start(host);
    host.chosen = dir.write("one.txt", "5,6,0,0\n7\n");
    session.Start(host);
    EXPECT_EQ(session.EntryCount, 3);
    EXPECT_EQ(session.WaveTable[2], WaveEntry{});  // not the earlier file's 3,4,1,1
}

TEST_F(DownloadSessionTest, AnAbandonedDownloadStopsWithoutAnotherWrite) {
    host.chosen = dir.write("three.txt", "1,1,0,0\n2,2,0,0\n3,3,0,0\n");
    int yields = 0;
    std::size_t writesAtStop = 0;
    host.yieldAnswer = [&] {
        // Two yields in the load and one for the first entry; the second
        // entry's yield ends the program.
        if (++yields < 4)
            return true;
        writesAtStop = port.writes.size();
        return false;
    };
    EXPECT_EQ(session.Start(host).status, kAbandoned);
    EXPECT_GT(writesAtStop, 0u);
    EXPECT_EQ(port.writes.size(), writesAtStop);
    EXPECT_EQ(host.statuses.back(), "Please wait, downloading data into RAM...");
}

TEST_F(DownloadSessionTest, ASimulatedBoardInPlaceOfThePortIsNamedInEveryStatus) {
    port.fallback = "cannot open /dev/parport0: Permission denied";
    session.WindowLoad();
    host.chosen = dir.write("one.txt", "1,2,0,0\n");
    host.ticks = {10, 17};
    EXPECT_EQ(session.Start(host).status, kLoaded);
    EXPECT_EQ(host.statuses,
              (std::vector<std::string>{
                  "", "Please wait, downloading data into the simulated board's RAM...",
                  "Download complete (simulated board).\r\nTotal load time = 7 ms for 1 bytes "
                  "of data."}));
}

TEST_F(DownloadSessionTest, AWriteThatDidNotArriveFailsTheDownload) {
    session.WindowLoad();
    port.failure = "inpout32: cannot write trace file /t: No space left on device";
    host.chosen = dir.write("one.txt", "1,2,0,0\n");
    const DataFileResult result = session.Start(host);
    EXPECT_EQ(result.status, kPortFailure);
    const std::string text =
        "Download failed: inpout32: cannot write trace file /t: No space left on device.\r\n"
        "The board may hold part of the data.";
    EXPECT_EQ(result.message, text);
    EXPECT_EQ(host.statuses.back(), text);
    // Settled once every write was made, before anything was reported.
    ASSERT_FALSE(port.settledAfter.empty());
    EXPECT_EQ(port.settledAfter.front(), port.writes.size());
}

TEST_F(DownloadSessionTest, TheHeadlessDownloadRefusesASimulationItDidNotAskFor) {
    const std::string file = dir.write("one.txt", "1,2,0,0\n");
    std::ostringstream out, err;
    port.fallback = "cannot open /dev/parport0: No such file or directory";
    EXPECT_EQ(RunHeadlessDownload(port, file, out, err), kExitPortFault);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("cannot open /dev/parport0: No such file or directory"),
              std::string::npos);
    EXPECT_NE(err.str().find("INPOUT32_BACKEND=board"), std::string::npos);

    port.fallback.clear();
    port.failure = "inpout32: a write to /dev/parport0 failed: Input/output error";
    err.str("");
    EXPECT_EQ(RunHeadlessDownload(port, file, out, err), kExitWriteFailed);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("Download failed: inpout32: a write to /dev/parport0 failed"),
              std::string::npos);
}

}  // namespace
}  // namespace tolvek
