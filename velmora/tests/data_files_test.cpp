// Save data and Record WAV: what they write, and that a failure leaves
// nothing behind.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "analysis/analysis.h"
#include "capture/command_ids.h"
#include "capture/velmora_doc.h"
#include "display/clipboard_text.h"
#include "display/data_file.h"
#include "fakes.h"
#include "platform/wav_file_input.h"
#include "platform/whole_file.h"
#include "test_support/file_size_limit.h"
#include "test_support/temp_dir.h"

namespace velmora {
namespace {

using test_support::ReadFile;

class DataFilesTest : public ::testing::Test {
protected:
    std::unique_ptr<CVelmoraDoc> make(const std::string& commandLine) {
        return std::make_unique<CVelmoraDoc>(*SplitCommandLine(commandLine), input, dialogs);
    }
    testing::FakeWaveInput input;
    testing::ScriptedInteraction dialogs;
    test_support::TempDir dir;
};

TEST_F(DataFilesTest, SavedTextIsTheSettingsAndCopysLayoutOfTheWholeRecord) {
    auto doc = make("48000 0.1 0 0 3");
    doc->SetWindowFunction(WindowFunction::Hann);
    doc->SetTransferEstimate(TransferEstimate::H1);
    doc->m_dwFlags |= kFlagAverage;
    doc->ToggleAcquisition();
    doc->CaptureOnce();
    const std::string text = DataFileText(*doc, false);
    const std::string table = ClipboardText(*doc, 0, 2401);
    ASSERT_GT(text.size(), table.size());
    EXPECT_EQ(text.substr(text.size() - table.size()), table);
    const std::string settings = text.substr(0, text.size() - table.size());
    for (const char* line :
         {"# Sampling rate: 48000 Hz\n", "# Window length: 4800 samples (0.1 s)\n",
          "# Window function: Hann, equivalent noise bandwidth 1.5000 bins (15.0000 Hz)\n",
          "# Averages: 2 (averaging on)\n", "# Mode: FFT transfer function\n",
          "# Estimate: H1, the cross-spectrum over the reference's (channel 1) auto-spectrum, with "
          "the coherence\n"})
        EXPECT_NE(settings.find(line), std::string::npos) << line << settings;
    EXPECT_EQ(table.substr(0, table.find('\n')),
              "Frequency(Hz)\tL  :R   ratio\tL  :R   phase difference\tcoherence");
    for (std::size_t at = 0; at < settings.size(); at = settings.find('\n', at) + 1)
        EXPECT_EQ(settings[at], '#');

    // CSV: the same columns, quoted headings, full numbers, an empty cell for
    // a value that is no number (the ratio where the reference is silent).
    const std::string csv = DataFileText(*doc, true);
    EXPECT_NE(csv.find("\"Frequency(Hz)\",\"L  :R   ratio\",\"L  :R   phase "
                       "difference\",\"coherence\"\n"),
              std::string::npos);
    EXPECT_NE(csv.find("\n10,"), std::string::npos);
    EXPECT_TRUE(IsCsvName("a.CSV"));
    EXPECT_FALSE(IsCsvName("a.csv.txt"));
}

// A silent reference input makes the ratio no number: the text file keeps
// the rows that are numbers and says how many it left out; CSV leaves the
// cell empty.
TEST_F(DataFilesTest, ARatioThatIsNoNumberIsNotWrittenAsOne) {
    input.right = [](int, int) { return std::int16_t(100); };  // nothing but DC
    auto doc = make("48000 0.1 0 0 3");
    doc->ToggleAcquisition();
    const std::string copied = ClipboardText(*doc, 0, 2401);
    // Copy shows what there is.
    ASSERT_TRUE(copied.find("inf") != std::string::npos || copied.find("nan") != std::string::npos);
    const std::string text = DataFileText(*doc, false);
    for (const char* word : {"nan", "inf", "NAN", "INF"})
        EXPECT_EQ(text.find(word), std::string::npos) << word;
    int rows = 0, leftOut = 0;
    for (std::size_t at = text.find("\n", text.find("Frequency(Hz)")) + 1; at < text.size();
         at = text.find('\n', at) + 1)
        ++rows;
    ASSERT_EQ(std::sscanf(text.substr(text.find("# Rows left out: ")).c_str(),
                          "# Rows left out: %d", &leftOut),
              1);
    EXPECT_EQ(rows, 1);  // DC, where the reference is not silent
    EXPECT_EQ(rows + leftOut, 2401);
    EXPECT_EQ(DataFileText(*doc, true).find("nan"), std::string::npos);
}

TEST_F(DataFilesTest, ALogarithmicAxisLeavesDCOut) {
    auto doc = make("48000 0.1");
    doc->ToggleAcquisition();
    doc->SetLogFrequency(true);
    const std::string text = DataFileText(*doc, false);
    EXPECT_EQ(text.find("\n    0.0000\t"), std::string::npos);
    EXPECT_NE(text.find("\n   10.0000\t"), std::string::npos);
}

// Through a link to its target, keeping the target's permissions; a write
// that fails leaves the old file as it was and no stray file beside it.
TEST_F(DataFilesTest, AFileIsWrittenWholeOrNotAtAll) {
    const std::string target = dir.write("target.txt", "old");
    chmod(target.c_str(), 0640);
    const std::string link = (dir / "link.txt").string();
    std::filesystem::create_symlink(target, link);
    EXPECT_EQ(WriteWholeFile(link, "new"), "");
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::status(target).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);

    std::string why;
    {
        test_support::FileSizeLimit limit(1000);
        why = WriteWholeFile(target, std::string(5000, 'x'));
    }
    EXPECT_NE(why.find("File too large"), std::string::npos) << why;
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              2);
    EXPECT_NE(WriteWholeFile((dir / "absent/x.txt").string(), "x"), "");
}

// Recorded captures read back through VELMORA_INPUT give the same analysis.
TEST_F(DataFilesTest, ARecordingReadsBackAsTheSameMeasurement) {
    input.left = [](int n, int i) { return std::int16_t((i * 37 + n * 1000) % 20000 - 10000); };
    input.right = [](int n, int i) { return std::int16_t((i * 91 + n * 7) % 16000 - 8000); };
    const std::string wav = (dir / "captures.wav").string();
    auto live = make("48000 0.1 0 0 3 1.425e-5");
    live->m_dwFlags |= kFlagAverage;
    dialogs.fileNames = {wav};
    live->OnCommand(ID_RECORD_WAV);
    ASSERT_TRUE(live->recording());
    EXPECT_TRUE(live->IsChecked(ID_RECORD_WAV));
    live->ToggleAcquisition();
    live->CaptureOnce();
    live->CaptureOnce();
    EXPECT_FALSE(std::filesystem::exists(wav));  // not until it is saved
    live->OnCommand(ID_RECORD_WAV);
    EXPECT_FALSE(live->recording());
    EXPECT_EQ(std::filesystem::file_size(wav), 44u + 3 * 4800 * 4);

    WavFileInput file(wav);
    auto again =
        std::make_unique<CVelmoraDoc>(*SplitCommandLine("48000 0.1 0 0 3 1.425e-5"), file, dialogs);
    again->m_dwFlags |= kFlagAverage;
    again->ToggleAcquisition();
    again->CaptureOnce();
    again->CaptureOnce();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(ClipboardText(*again, 0, 2386), ClipboardText(*live, 0, 2386));
}

TEST_F(DataFilesTest, ARecordingThatCannotBeWrittenIsGivenUpWhole) {
    const std::string wav = (dir / "captures.wav").string();
    auto doc = make("48000 0.1");
    ASSERT_TRUE(doc->StartRecording(wav));
    {
        test_support::FileSizeLimit limit(30000);  // under two captures
        doc->ToggleAcquisition();
        doc->CaptureOnce();
    }
    EXPECT_FALSE(doc->recording());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].find("File too large"), std::string::npos) << dialogs.messages[0];
    EXPECT_NE(dialogs.messages[0].find("nothing was saved"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    // Nowhere to write: said at once.
    EXPECT_FALSE(doc->StartRecording((dir / "absent/captures.wav").string()));
    EXPECT_EQ(dialogs.messages.size(), 2u);
    // Cancelled dialog: nothing.
    doc->OnCommand(ID_RECORD_WAV);
    EXPECT_FALSE(doc->recording());
}

}  // namespace
}  // namespace velmora
